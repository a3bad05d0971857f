// Host references of alarms and their resolution through the host-name cache.
#include "alarm/alarm_ref.h"

#include <mutex>

#include "core/netaddr_ipv4.h"

namespace nw {
namespace {

// Guards the entry of every reference: the resolver thread writes it, the capture thread
// (binding), the editor and the writer read it.
std::mutex ref_mutex;

void store_entry(host_ref& ref, const hostc_entry* entry) {
  std::lock_guard lock(ref_mutex);
  ref.entry = entry;
}

alarm_host ref_of(int kind, const netaddr& addr, std::string text) {
  auto ref = std::make_shared<host_ref>(hostc_ref_new());
  ref->kind = kind;
  ref->addr = addr;
  ref->text = std::move(text);
  return ref;
}

// A name is looked up the way the cache will resolve it: a text that reads as an address by
// that address, any other among the service's names and then the local names.
const hostc_entry* find_name(const std::string& text) {
  switch (hostc_text_kind(text)) {
    case HOSTC_TEXT_HW:
      return hostc_find_text(text);
    case HOSTC_TEXT_IPV4: {
      const auto octets = hostc_text_ipv4(text);
      netaddr ip;
      netaddr_init(ip, NETADDR_IPV4);
      if (!octets || ip.type == nullptr) return nullptr;
      std::copy(octets->begin(), octets->end(), netaddr_bytes(ip));
      return hostc_find_ip(ip);
    }
    default:
      if (const hostc_entry* named = hostc_find_name(text)) return named;
      return text.find(':') == std::string::npos ? hostc_find_text(text) : nullptr;
  }
}

const hostc_entry* find_cached(const host_ref& ref) {
  switch (ref.kind) {
    case HOSTC_BY_HW: return hostc_find_mac(ref.addr);
    case HOSTC_BY_IPV4: return hostc_find_ip(ref.addr);
    default: return find_name(ref.text);
  }
}

}  // namespace

alarm_host alarm_ref_hw(const netaddr& hw) { return ref_of(HOSTC_BY_HW, hw, {}); }
alarm_host alarm_ref_ipv4(const netaddr& ip) { return ref_of(HOSTC_BY_IPV4, ip, {}); }
alarm_host alarm_ref_name(std::string name) { return ref_of(HOSTC_BY_NAME, {}, std::move(name)); }

int alarm_ref_resolve(const alarm_host& ref, std::function<void()> done) {
  if (!ref) return -1;
  if (const hostc_entry* cached = find_cached(*ref)) {
    store_entry(*ref, cached);
    return 1;
  }
  // The callback holds the reference, so an alarm freed meanwhile leaves it nothing to spoil.
  const int queued = hostc_request_ref(ref.get(), [ref, done = std::move(done)](const hostc_entry* entry) {
    if (entry != nullptr) store_entry(*ref, entry);
    if (done) done();
  });
  return queued == 1 ? 0 : -1;
}

const hostc_entry* alarm_ref_entry(const alarm_host& ref) {
  if (!ref) return nullptr;
  std::lock_guard lock(ref_mutex);
  return ref->entry;
}

std::string alarm_ref_text(const alarm_host& ref) {
  if (!ref) return {};
  if (const hostc_entry* entry = alarm_ref_entry(ref)) return netaddr_to_text_new(entry->addr);
  switch (ref->kind) {
    case HOSTC_BY_HW:
    case HOSTC_BY_IPV4: return netaddr_to_text_new(ref->addr);
    case HOSTC_BY_NAME:
      return ref->text.find('"') == std::string::npos ? "\"" + ref->text + "\"" : std::string{};
    default: return {};
  }
}

}  // namespace nw

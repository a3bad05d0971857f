// The host-name cache: its four tables, its request queue and the resolver thread that fills
// them from the name database and the host-name service.
#include "hostc/hostc.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/event.h"
#include "core/hashtable.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/q.h"
#include "namedb/cb_ether.h"

namespace nw {

namespace {

struct request {
  int kind = HOSTC_BY_NAME;
  netaddr addr;      // HOSTC_BY_IPV4, HOSTC_BY_HW
  std::string text;  // HOSTC_BY_NAME
  hostc_callback callback;
};

using name_table = hash_table<std::string, const hostc_entry*>;
using addr_table = hash_table<netaddr, const hostc_entry*>;
constexpr ht_functions<std::string> name_functions{hostc_text_hash, ht_text_compare};

struct hostc_state {
  // "Hostc mutex": the queue and the flags. Never held together with another lock of ours.
  std::mutex queue_mutex;
  q<request> requests;
  bool made = false;  // between init and shutdown: requests are taken
  bool stop = false;  // tells the resolver thread to end
  manual_event wake;  // set after every request; reset only with the queue seen empty
  std::thread resolver;

  // "Forward mutex": DNS names.
  std::mutex forward_mutex;
  std::unique_ptr<name_table> by_name;
  // "Reverse mutex": IPv4 addresses.
  std::mutex reverse_mutex;
  std::unique_ptr<addr_table> by_ip;
  // Local names and hardware addresses: written on the resolver thread while requesters read
  // them, so they take a lock of their own as well.
  std::mutex local_mutex;
  std::unique_ptr<name_table> by_local;
  std::unique_ptr<addr_table> by_mac;

  // Set by init before the thread starts; read on the resolver thread only.
  hostc_options options;
  // Every entry made, owned here so that answers handed out stay valid; touched by the
  // resolver thread only, and by shutdown once it is joined.
  std::vector<std::unique_ptr<hostc_entry>> entries;

  ~hostc_state();
};

hostc_state& state() {
  static hostc_state s;
  return s;
}

template <typename Key>
const hostc_entry* find_in(std::mutex& mutex, const std::unique_ptr<hash_table<Key, const hostc_entry*>>& table,
                           const Key& key) {
  std::lock_guard lock(mutex);
  if (!table) return nullptr;
  const hostc_entry* const* found = table->find(key);
  return found != nullptr ? *found : nullptr;
}

// ---- the queue -----------------------------------------------------------------------------

int put(request r) {
  hostc_state& s = state();
  {
    std::lock_guard lock(s.queue_mutex);
    if (!s.made || q_put(s.requests, std::move(r)) == 0) return 0;
  }
  s.wake.set();
  return 1;
}

bool has_family(const netaddr& addr, std::uint32_t family) { return addr.type != nullptr && addr.type->family == family; }

// 1 with the next request, 0 when told to stop. The event is reset under the lock with the
// queue seen empty, so a request put after that sets it again and none is left waiting.
int next_request(hostc_state& s, request& out) {
  for (;;) {
    {
      std::lock_guard lock(s.queue_mutex);
      if (s.stop) return 0;
      if (q_get(s.requests, &out) != 0) return 1;
      s.wake.reset();
    }
    s.wake.wait();
  }
}

// ---- storing answers (resolver thread) -----------------------------------------------------

hostc_entry& new_entry(hostc_state& s) { return *s.entries.emplace_back(std::make_unique<hostc_entry>()); }

void store_hw(hostc_state& s, const hostc_entry& e) {
  std::lock_guard lock(s.local_mutex);
  ht_insert(*s.by_mac, e.addr, &e);
  ht_insert(*s.by_local, e.name, &e);
}

// With "Reverse mutex" held.
void store_ip(hostc_state& s, const netaddr& ip, const hostc_entry& e) {
  if (s.by_ip->find(ip) == nullptr) ht_insert(*s.by_ip, ip, &e);
}

// The entry takes the answer's official name and first address, and is kept under every name
// and address of the answer that no other entry holds yet (the official name replaces).
void store_answer(hostc_state& s, hostc_entry& e) {
  const hostc_hostent& h = *e.hostent;
  if (!h.h_addr_list.empty()) std::copy(h.h_addr_list[0].begin(), h.h_addr_list[0].end(), netaddr_bytes(e.addr));
  e.name = h.h_name;
  const hostc_entry* entry = &e;
  {
    std::lock_guard lock(s.forward_mutex);
    // A name cut to nothing at a leading blank is no key anyone can ask for.
    if (!e.name.empty()) ht_insert(*s.by_name, e.name, entry);
    for (const std::string& alias : h.h_aliases) {
      if (!alias.empty() && s.by_name->find(alias) == nullptr) ht_insert(*s.by_name, alias, entry);
    }
  }
  std::lock_guard lock(s.reverse_mutex);
  if (h.h_addr_list.empty()) store_ip(s, e.addr, e);
  for (const auto& octets : h.h_addr_list) {
    netaddr ip = e.addr;
    std::copy(octets.begin(), octets.end(), netaddr_bytes(ip));
    store_ip(s, ip, e);
  }
}

// ---- serving requests (resolver thread) ----------------------------------------------------

bool resolving(const hostc_state& s) { return s.options.resolve_enabled && s.options.resolve_enabled(); }

// The name database's search is by prefix; a reference names one station, so only the exact
// local name counts ("srv" must not bind to "srv-backup").
const hostc_entry* serve_local_name(hostc_state& s, const std::string& text) {
  const auto record = ethers_lookup_name(text);
  if (!record || record->local_name != text) return nullptr;
  hostc_entry& e = new_entry(s);
  e.addr = record->hw;
  e.name = text;
  store_hw(s, e);
  return &e;
}

const hostc_entry* serve_name(hostc_state& s, const std::string& text) {
  if (const hostc_entry* cached = hostc_find_name(text)) return cached;
  if (const hostc_entry* local = serve_local_name(s, text)) return local;
  if (!resolving(s)) return nullptr;
  const auto answer = s.options.forward(text);
  auto copy = answer ? hostc_hostent_copy(*answer) : std::nullopt;
  // Without an address there is nothing to watch: no entry, and a later request asks again.
  if (!copy || copy->h_addr_list.empty()) return nullptr;
  hostc_entry& e = new_entry(s);
  e.hostent = std::move(copy);
  netaddr_init(e.addr, NETADDR_IPV4);
  store_answer(s, e);
  return &e;
}

const hostc_entry* serve_ip(hostc_state& s, const netaddr& ip) {
  if (const hostc_entry* cached = hostc_find_ip(ip)) return cached;
  hostc_entry& e = new_entry(s);
  e.addr = ip;
  if (resolving(s)) {
    if (const auto answer = s.options.reverse(ip)) e.hostent = hostc_hostent_copy(*answer);
  }
  if (e.hostent) {
    store_answer(s, e);
    return &e;
  }
  // No answer is final too: the address is named by its own text from now on.
  e.name = netaddr_to_text_new(ip);
  std::lock_guard lock(s.reverse_mutex);
  store_ip(s, ip, e);
  return &e;
}

const hostc_entry* serve_mac(hostc_state& s, const netaddr& hw) {
  if (const hostc_entry* cached = hostc_find_mac(hw)) return cached;
  hostc_entry& e = new_entry(s);
  e.addr = hw;
  const auto record = ethers_lookup_address(hw);
  const bool named = record && record->local_name && !record->local_name->empty();
  e.name = named ? *record->local_name : netaddr_to_text_new(hw);
  store_hw(s, e);
  return &e;
}

const hostc_entry* serve(hostc_state& s, const request& r) {
  switch (r.kind) {
    case HOSTC_BY_NAME:
      return serve_name(s, r.text);
    case HOSTC_BY_IPV4:
      return serve_ip(s, r.addr);
    default:
      return serve_mac(s, r.addr);
  }
}

// The callback runs with none of our locks held: it may ask the cache again.
void hostc_thread(hostc_state& s) {
  request r;
  while (next_request(s, r) > 0) {
    const hostc_entry* entry = serve(s, r);
    if (r.callback) r.callback(entry);
    r = {};
  }
}

// ---- lifecycle -----------------------------------------------------------------------------

template <typename Table, typename Functions>
void remake(std::mutex& mutex, std::unique_ptr<Table>& table, const Functions& functions, bool made) {
  std::lock_guard lock(mutex);
  table = made ? std::make_unique<Table>(functions) : nullptr;
}

void remake_tables(hostc_state& s, bool made) {
  remake(s.forward_mutex, s.by_name, name_functions, made);
  remake(s.reverse_mutex, s.by_ip, netaddr_functions, made);
  remake(s.local_mutex, s.by_local, name_functions, made);
  remake(s.local_mutex, s.by_mac, netaddr_functions, made);
}

void shutdown(hostc_state& s) {
  {
    std::lock_guard lock(s.queue_mutex);
    s.made = false;
    s.stop = true;
    q_free(s.requests);
  }
  s.wake.set();
  if (s.resolver.joinable()) s.resolver.join();
  remake_tables(s, false);
  s.entries.clear();
  s.options = {};
}

hostc_state::~hostc_state() { shutdown(*this); }

}  // namespace

int hostc_init(const hostc_options& options) {
  hostc_state& s = state();
  std::lock_guard lock(s.queue_mutex);
  if (s.made) return 0;
  s.options = options;
  if (!s.options.forward) s.options.forward = hostc_system_forward;
  if (!s.options.reverse) s.options.reverse = hostc_system_reverse;
  remake_tables(s, true);
  s.stop = false;
  s.made = true;
  return 1;
}

int hostc_thread_start() {
  hostc_state& s = state();
  std::lock_guard lock(s.queue_mutex);
  if (!s.made || s.resolver.joinable()) return 0;
  s.resolver = std::thread(hostc_thread, std::ref(s));
  return 1;
}

void hostc_shutdown() { shutdown(state()); }

const hostc_entry* hostc_find_name(const std::string& name) {
  hostc_state& s = state();
  return find_in(s.forward_mutex, s.by_name, name);
}

const hostc_entry* hostc_find_ip(const netaddr& ip) {
  hostc_state& s = state();
  return find_in(s.reverse_mutex, s.by_ip, ip);
}

const hostc_entry* hostc_find_mac(const netaddr& hw) {
  hostc_state& s = state();
  return find_in(s.local_mutex, s.by_mac, hw);
}

const hostc_entry* hostc_find_text(std::string_view text) {
  hostc_state& s = state();
  if (text.find(':') == std::string_view::npos) return find_in(s.local_mutex, s.by_local, std::string(text));
  netaddr hw;
  netaddr_init(hw, NETADDR_ETHER);
  netaddr_parse(hw, text);
  return hostc_find_mac(hw);
}

int hostc_request_text(std::string_view text, hostc_callback callback) {
  switch (hostc_text_kind(text)) {
    case HOSTC_TEXT_HW: {
      netaddr hw;
      netaddr_init(hw, NETADDR_ETHER);
      netaddr_parse(hw, text);
      return hostc_request_mac(hw, std::move(callback));
    }
    case HOSTC_TEXT_IPV4: {
      // Read by the conversion that classed the text: "10.1" is 10.0.0.1, not 10.1.0.0.
      const auto octets = hostc_text_ipv4(text);
      netaddr ip;
      netaddr_init(ip, NETADDR_IPV4);
      if (octets && ip.type != nullptr) std::copy(octets->begin(), octets->end(), netaddr_bytes(ip));
      return hostc_request_ip(ip, std::move(callback));
    }
    default:
      return put(request{HOSTC_BY_NAME, netaddr{}, std::string(text), std::move(callback)});
  }
}

int hostc_request_ip(const netaddr& ip, hostc_callback callback) {
  if (!has_family(ip, NETADDR_IPV4)) return 0;
  return put(request{HOSTC_BY_IPV4, ip, {}, std::move(callback)});
}

int hostc_request_mac(const netaddr& hw, hostc_callback callback) {
  if (!has_family(hw, NETADDR_ETHER) && !has_family(hw, NETADDR_TR)) return 0;
  return put(request{HOSTC_BY_HW, hw, {}, std::move(callback)});
}

host_ref hostc_ref_new() { return host_ref{}; }

int hostc_request_ref(const host_ref* ref, hostc_callback callback) {
  if (ref == nullptr) return 0;
  switch (ref->kind) {
    case HOSTC_BY_NAME:
      return hostc_request_text(ref->text, std::move(callback));
    case HOSTC_BY_IPV4:
      return hostc_request_ip(ref->addr, std::move(callback));
    case HOSTC_BY_HW:
      return hostc_request_mac(ref->addr, std::move(callback));
    default:
      std::fputs("hostc_resolve_rec_process: invalid                             request\n", stderr);
      return -1;
  }
}

std::size_t hostc_queued() {
  hostc_state& s = state();
  std::lock_guard lock(s.queue_mutex);
  return q_count(s.requests);
}

}  // namespace nw

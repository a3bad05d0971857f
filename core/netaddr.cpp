// The family registry and the generic address operations, which dispatch through the descriptor.
#include "core/netaddr.h"

#include <deque>
#include <vector>

namespace nw {
namespace {

struct registry {
  bool made = false;
  std::array<const netaddr_type*, NETADDR_FAMILIES> slots{};
  std::vector<const netaddr_type*> in_order;
};

// Written by start-up before any other thread runs; read without a lock afterwards.
registry families;

// Every descriptor ever made. A deque never moves its elements, and nothing is dropped on
// netaddr_registry_init, so addresses made before a reset still point at a live descriptor.
std::deque<netaddr_type> descriptors;

bool row_is_complete(const netaddr_type& row) {
  return row.hash != nullptr && row.copy != nullptr && row.clear != nullptr && row.compare != nullptr &&
         row.to_text_new != nullptr && row.to_text != nullptr && row.parse != nullptr;
}

}  // namespace

void netaddr_registry_init() { families = registry{.made = true, .slots = {}, .in_order = {}}; }

const netaddr_type* netaddr_register(const netaddr_type& row) {
  if (!families.made) return nullptr;
  // The family indexes the slot table and the octets must fit an address's slot.
  if (row.family >= NETADDR_FAMILIES || row.length == 0 || row.length > NETADDR_SLOT) return nullptr;
  if (!row_is_complete(row)) return nullptr;
  const netaddr_type* type = &descriptors.emplace_back(row);
  families.slots[row.family] = type;
  families.in_order.push_back(type);
  return type;
}

const netaddr_type* netaddr_type_of(std::uint32_t family) {
  return family < NETADDR_FAMILIES ? families.slots[family] : nullptr;
}

std::span<const netaddr_type* const> netaddr_registered() { return families.in_order; }

void netaddr_init(netaddr& addr, std::uint32_t family) {
  const netaddr_type* type = netaddr_type_of(family);
  if (type == nullptr) return;
  addr = netaddr{};
  addr.type = type;
}

std::unique_ptr<netaddr> netaddr_new(std::uint32_t family) {
  if (netaddr_type_of(family) == nullptr) return nullptr;
  auto addr = std::make_unique<netaddr>();
  netaddr_init(*addr, family);
  return addr;
}

std::unique_ptr<netaddr> netaddr_dup(const netaddr& addr) {
  if (addr.type == nullptr) return nullptr;
  auto copy = std::make_unique<netaddr>();
  netaddr_copy(addr, *copy);
  return copy;
}

std::uint8_t* netaddr_bytes(netaddr& addr) { return addr.octets.data(); }
const std::uint8_t* netaddr_bytes(const netaddr& addr) { return addr.octets.data(); }

std::uint32_t netaddr_hash(const netaddr& addr) {
  return addr.type != nullptr ? addr.type->hash(addr.octets.data()) : 0;
}

int netaddr_compare(const netaddr& a, const netaddr& b) {
  // b's slot has NETADDR_SLOT octets, so a's length never reads past it whatever b's family.
  return a.type != nullptr ? a.type->compare(a.octets.data(), b.octets.data()) : 1;
}

void netaddr_copy(const netaddr& from, netaddr& to) {
  to.type = from.type;
  if (from.type != nullptr) from.type->copy(from.octets.data(), to.octets.data());
}

void netaddr_clear(netaddr& addr) {
  if (addr.type != nullptr) addr.type->clear(addr.octets.data());
}

std::string netaddr_to_text_new(const netaddr& addr) {
  return addr.type != nullptr ? addr.type->to_text_new(addr.octets.data()) : std::string();
}

int netaddr_to_text(const netaddr& addr, std::span<char> buffer) {
  if (addr.type != nullptr && addr.type->to_text(addr.octets.data(), buffer) == 1) return 1;
  if (!buffer.empty()) buffer[0] = '\0';
  return 0;
}

void netaddr_parse(netaddr& addr, std::string_view text) {
  if (addr.type != nullptr) addr.type->parse(addr.octets.data(), text.substr(0, text.find('\0')));
}

}  // namespace nw

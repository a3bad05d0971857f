#include "model/addr_index.h"

#include "core/netaddr_ether.h"

namespace nw {
namespace {

constexpr std::uint64_t KIND_HARDWARE = 1;
constexpr std::uint64_t KIND_IPV4 = 2;

std::uint64_t pack(std::uint64_t kind, const netaddr& address, std::uint32_t length) {
  std::uint64_t key = kind;
  for (std::uint32_t i = 0; i < length; ++i) key = (key << 8) | address.octets[i];
  return key;
}

}  // namespace

std::uint64_t addr_key(const netaddr& address) {
  if (address.type == nullptr) return 0;
  switch (address.type->family) {
    case NETADDR_ETHER:
    case NETADDR_TR: return pack(KIND_HARDWARE, address, NETADDR_HW_LENGTH);
    case NETADDR_IPV4: return pack(KIND_IPV4, address, 4);
    default: return 0;
  }
}

}  // namespace nw

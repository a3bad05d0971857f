#include "capture/frame_addr.h"

#include <algorithm>

#include "core/netaddr_ether.h"

namespace nw {
namespace {

void make(netaddr& addr, std::uint32_t family, std::span<const std::uint8_t> octets) {
  netaddr_init(addr, family);
  std::copy_n(octets.begin(), NETADDR_HW_LENGTH, netaddr_bytes(addr));
}

}  // namespace

bool frame_ether_addresses(std::span<const std::uint8_t> data, netaddr& src, netaddr& dst) {
  if (data.size() < 12) return false;
  make(dst, NETADDR_ETHER, data.subspan(0, 6));
  make(src, NETADDR_ETHER, data.subspan(6, 6));
  return dst.type != nullptr && src.type != nullptr;
}

bool frame_tr_addresses(std::span<const std::uint8_t> data, netaddr& src, netaddr& dst) {
  if (data.size() < 14) return false;
  make(dst, NETADDR_TR, data.subspan(2, 6));
  make(src, NETADDR_TR, data.subspan(8, 6));
  if (src.type == nullptr || dst.type == nullptr) return false;
  netaddr_bytes(src)[0] &= 0x3F;
  return true;
}

}  // namespace nw

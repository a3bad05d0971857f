#include "capture/frame_addr.h"

#include <algorithm>
#include <array>

#include "core/netaddr_ether.h"
#include "model/addr_index.h"

namespace nw {
namespace {

// Token Ring's routing indicator and group bit, cleared in a source address.
constexpr std::uint8_t TR_SOURCE_MASK = 0x3F;

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
  netaddr_bytes(src)[0] &= TR_SOURCE_MASK;
  return true;
}

bool frame_ether_keys(std::span<const std::uint8_t> data, frame_keys& keys) {
  if (data.size() < 12) return false;
  keys = {packed_key(ADDR_KIND_HARDWARE, &data[6], NETADDR_HW_LENGTH),
          packed_key(ADDR_KIND_HARDWARE, &data[0], NETADDR_HW_LENGTH)};
  return true;
}

bool frame_tr_keys(std::span<const std::uint8_t> data, frame_keys& keys) {
  if (data.size() < 14) return false;
  std::array<std::uint8_t, NETADDR_HW_LENGTH> src{};
  std::copy_n(&data[8], NETADDR_HW_LENGTH, src.begin());
  src[0] &= TR_SOURCE_MASK;
  keys = {packed_key(ADDR_KIND_HARDWARE, src.data(), NETADDR_HW_LENGTH),
          packed_key(ADDR_KIND_HARDWARE, &data[2], NETADDR_HW_LENGTH)};
  return true;
}

}  // namespace nw

// The two host addresses of a frame, read where each link type keeps them.
#pragma once

#include <cstdint>
#include <span>

#include "core/netaddr.h"
#include "model/frame_prefetch.h"

namespace nw {

// Ethernet: destination at 0, source at 6. Both need 12 captured octets.
[[nodiscard]] bool frame_ether_addresses(std::span<const std::uint8_t> data, netaddr& src, netaddr& dst);
// Token Ring: destination at 2, source at 8 with its two top bits (routing indicator and
// group bit) cleared, so that a station is one host whether or not its frame was routed. Both
// need 14 captured octets.
[[nodiscard]] bool frame_tr_addresses(std::span<const std::uint8_t> data, netaddr& src, netaddr& dst);

// The same two addresses as the model's indexes key them, read straight from the octets: the
// look-ahead reads every frame's addresses once more before its handler does. False when the
// frame is too short to hold them.
[[nodiscard]] bool frame_ether_keys(std::span<const std::uint8_t> data, frame_keys& keys);
[[nodiscard]] bool frame_tr_keys(std::span<const std::uint8_t> data, frame_keys& keys);

}  // namespace nw

// What the program knows of one capture adapter: a live interface from the capture library's
// list, or a capture file offered in its place.
#pragma once

#include <cstdint>
#include <string>

namespace nw {

// Network types of an adapter.
inline constexpr std::int32_t NETTYPE_ETHERNET = 0;
inline constexpr std::int32_t NETTYPE_TOKEN_RING = 1;
inline constexpr std::int32_t NETTYPE_DOWN = -1;  // cannot be opened (the interface is down)
// Any value above 1 is a medium the program does not decode; this is the one we give.
inline constexpr std::int32_t NETTYPE_UNSUPPORTED = 2;

struct adapter_desc {
  std::string name;  // the interface's name, or the capture file's path
  std::string description;
  std::int32_t type = NETTYPE_ETHERNET;
  std::uint64_t speed = 0;  // link speed in bits per second; 0 when unknown
  bool file = false;        // name is a capture file, replayed instead of captured
};

}  // namespace nw

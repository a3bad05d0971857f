// Calendar time for the demo LAN's messages that carry a date: syslog lines, NetWare's clock.
#pragma once

#include <cstdint>

namespace nw::demo {

inline constexpr std::uint64_t SECOND = 1000000;  // microseconds
inline constexpr std::uint64_t MS = 1000;

struct civil_time {
  unsigned year;
  unsigned month;  // 1 to 12
  unsigned day;    // 1 to 31
  unsigned hour;
  unsigned minute;
  unsigned second;
  unsigned weekday;  // 0 is Sunday
};

// UTC calendar time of microseconds since the Unix epoch.
[[nodiscard]] civil_time civil_from_us(std::uint64_t time_us);

}  // namespace nw::demo

// Capture times and the arithmetic on them.
#pragma once

#include <cstdint>

namespace nw {

// Seconds and microseconds as the capture library stamps a frame; usec is below 1,000,000.
struct capture_time {
  std::int32_t sec = 0;
  std::int32_t usec = 0;
};

// Time from `from` to `to`; 0 when `to` is earlier. Computed modulo 2^32, so intervals beyond
// about 71 minutes in microseconds (49 days in milliseconds) wrap.
[[nodiscard]] std::uint32_t elapsed_us(capture_time from, capture_time to);
[[nodiscard]] std::uint32_t elapsed_ms(capture_time from, capture_time to);

}  // namespace nw

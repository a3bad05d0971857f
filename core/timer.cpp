// Elapsed time between two capture times.
#include "core/timer.h"

namespace nw {
namespace {

struct interval {
  std::uint32_t sec;
  std::uint32_t usec;
};

// Unsigned arithmetic: the wrap of a long interval is defined, not an overflow.
bool split(capture_time from, capture_time to, interval& out) {
  if (to.sec < from.sec || (to.sec == from.sec && to.usec < from.usec)) return false;
  auto d_sec = static_cast<std::uint32_t>(to.sec) - static_cast<std::uint32_t>(from.sec);
  auto d_usec = static_cast<std::uint32_t>(to.usec) - static_cast<std::uint32_t>(from.usec);
  if (to.usec < from.usec) {
    d_sec -= 1;
    d_usec += 1'000'000U;
  }
  out = {d_sec, d_usec};
  return true;
}

}  // namespace

std::uint32_t elapsed_us(capture_time from, capture_time to) {
  interval d{};
  return split(from, to, d) ? d.sec * 1'000'000U + d.usec : 0;
}

std::uint32_t elapsed_ms(capture_time from, capture_time to) {
  interval d{};
  return split(from, to, d) ? d.sec * 1000U + d.usec / 1000U : 0;
}

}  // namespace nw

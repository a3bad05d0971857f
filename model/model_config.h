// The model's settings (time-outs, label size), its clock and its lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "core/timer.h"

namespace nw {

// Filled by the settings module at start-up and by the preference dialogs; read by the
// capture thread under the model lock.
struct model_config {
  std::uint32_t node_timeout_s = 10;
  std::uint32_t link_timeout_s = 5;
  float font_size = 0.5f;
};

[[nodiscard]] model_config& model_settings();

// A label's height in world units: 0.06 of the font-size setting.
[[nodiscard]] float model_label_height();

// The capture time of the newest frame; the per-frame callback sets it.
[[nodiscard]] capture_time model_now();
void model_set_now(capture_time now);

// Restores the default settings and a zero clock (tests start clean).
void model_config_reset();

// Microseconds from `from` to `to` in 64 bits, 0 when `to` is earlier: the 32-bit elapsed_us
// wraps after 71 minutes and would make a frame from before a long pause look recent.
[[nodiscard]] std::int64_t model_elapsed_us(capture_time from, capture_time to);

// Microseconds since the epoch of a capture time.
[[nodiscard]] constexpr std::int64_t model_time_us(capture_time t) {
  return static_cast<std::int64_t>(t.sec) * 1'000'000 + t.usec;
}

// The model lock: hosts, links, rankings and protocol counters change only under it. The
// capture thread holds it per frame and around each pass's steps, never while waiting for
// frames; other threads hold it briefly and copy what they show. A thread that already holds
// it may take it again (the name editor calls operations that lock for themselves).
class model_lock {
 public:
  model_lock();
  ~model_lock();
  model_lock(const model_lock&) = delete;
  model_lock& operator=(const model_lock&) = delete;
};

// Whether the calling thread holds the model lock.
[[nodiscard]] bool model_lock_held();

}  // namespace nw

// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>

namespace nw {

inline constexpr int MOVING_AVG_SAMPLES = 10;

struct moving_avg {
  std::int32_t next = 0;  // slot written next, 0..9
  std::array<double, MOVING_AVG_SAMPLES> samples{};
  double mean = 0.0;
};

void moving_avg_init(moving_avg& avg);

// The mean is always the sum of all ten slots over ten, so it ramps up over the first ten
// samples instead of jumping to the first one.
void moving_avg_add(moving_avg& avg, double sample);

}  // namespace nw

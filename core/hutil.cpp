// The ten-sample moving average.
#include "core/hutil.h"

#include <numeric>

namespace nw {

void moving_avg_init(moving_avg& avg) { avg = moving_avg{}; }

void moving_avg_add(moving_avg& avg, double sample) {
  avg.samples[static_cast<std::size_t>(avg.next)] = sample;
  avg.next = (avg.next + 1) % MOVING_AVG_SAMPLES;
  avg.mean = std::accumulate(avg.samples.begin(), avg.samples.end(), 0.0) / 10.0;
}

}  // namespace nw

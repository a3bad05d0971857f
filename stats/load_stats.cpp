#include "stats/load_stats.h"

#include <cstdio>

#include "model/net.h"

namespace nw {

void load_sample(load_sampler& sampler, net& network) {
  const auto load = static_cast<float>(network.load);
  if (network.load > static_cast<std::int32_t>(sampler.peak)) sampler.peak = load;
  network.peak_load = static_cast<std::int32_t>(sampler.peak);
  sampler.mean += (load - sampler.mean) / static_cast<float>(sampler.samples + 1);
  sampler.samples += 1;
  network.avg_load = sampler.mean;
}

std::string load_runtime_text(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace nw

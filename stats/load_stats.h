// The peak and mean load the statistics panel follows, sampled once per capture pass, and the
// panel's texts. The panel and the headless run both sample through here.
#pragma once

#include <cstdint>
#include <string>

namespace nw {

struct net;

// One per panel: the peak lasts for the program's life, the mean from the panel's creation.
struct load_sampler {
  std::uint32_t samples = 0;
  float peak = 0.0f;
  float mean = 0.0f;
};

// Takes network.load as one sample and writes the peak (whole percent) and the mean back into
// the network. Caller holds the model lock.
void load_sample(load_sampler& sampler, net& network);

// "%02d:%02d:%02d" of hours (not wrapped at 24), minutes and seconds.
[[nodiscard]] std::string load_runtime_text(std::int64_t seconds);

}  // namespace nw

// The demo LAN's source of chance: splitmix64, whose output for a seed is fixed on every
// platform, unlike the standard engines' distributions.
#pragma once

#include <cstdint>

#include "tools/demo_packer.h"

namespace nw::demo {

class rng {
 public:
  explicit rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform enough in [low, high] for a demo; low <= high.
  std::uint64_t between(std::uint64_t low, std::uint64_t high) { return low + next() % (high - low + 1); }
  unsigned id16() { return static_cast<unsigned>(next() & 0xFFFFU); }
  unsigned port() { return static_cast<unsigned>(between(49152, 65535)); }  // the dynamic range
  bytes fill(std::size_t count) {
    bytes out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(next());
    return out;
  }

 private:
  std::uint64_t state_;
};

}  // namespace nw::demo

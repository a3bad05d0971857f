// A large generated LAN for speed measurements: many stations, a Zipf-like mix of talkers, a
// few servers carrying most of the bytes, and the frame sizes of real office traffic (full
// data segments one way, bare acknowledgements the other, small name look-ups and broadcasts).
#pragma once

#include <cstdint>
#include <string>

namespace nw::demo {

struct bench_lan_options {
  std::uint32_t stations = 1000;
  std::uint64_t frames = 2'000'000;
  std::uint32_t frames_per_second = 100'000;
  std::uint32_t seed = 1;
};

// Writes the capture file; false when it cannot be written.
[[nodiscard]] bool bench_lan_write(const std::string& path, const bench_lan_options& options);

}  // namespace nw::demo

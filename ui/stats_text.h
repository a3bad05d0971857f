// The six lines of the statistics panel: their labels, and the figures as the panel prints them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace nw {

inline constexpr std::size_t STATS_LINES = 6;

// "Runtime :", "Avg Load :", "Peak Load :", "Packets/sec :", "байт/сек:", "Dropped :".
inline constexpr std::array<std::uint32_t, STATS_LINES> STATS_LABELS{50460, 50462, 50468, 50470, 50472, 50474};

// What one update shows, copied from the network under the model lock.
struct stats_figures {
  std::int64_t runtime_s = 0;  // since the program started
  float mean = 0.0f;           // average load, percent
  float peak = 0.0f;           // peak load, percent
  std::uint64_t pkts_sec = 0;
  std::uint64_t bytes_sec = 0;
  std::uint32_t dropped = 0;
};

// The figures in label order. The trailing blanks are the panel's: they wipe the end of a
// longer text printed there before.
[[nodiscard]] std::array<std::string, STATS_LINES> stats_text_values(const stats_figures& f);

}  // namespace nw

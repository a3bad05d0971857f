// The statistics panel's figures as text.
#include "ui/stats_text.h"

#include <cstdio>

#include "stats/load_stats.h"

namespace nw {
namespace {

std::string percent(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%3.2f%%    ", static_cast<double>(value));
  return text;
}

std::string count(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu    ", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

std::array<std::string, STATS_LINES> stats_text_values(const stats_figures& f) {
  return {load_runtime_text(f.runtime_s), percent(f.mean), percent(f.peak),
          count(f.pkts_sec),              count(f.bytes_sec), count(f.dropped)};
}

}  // namespace nw

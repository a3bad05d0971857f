// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>

namespace nw {

inline constexpr int MOVING_AVG_SAMPLES = 10;

// Samples are counts, so the sum is kept exactly as each sample replaces the oldest: the ageing
// pass adds a sample to every host and link several times a second, and summing ten slots
// each time was most of its cost.
struct moving_avg {
  std::uint64_t sum = 0;
  double mean = 0.0;
  std::int32_t next = 0;  // slot written next, 0..9
  std::array<std::uint64_t, MOVING_AVG_SAMPLES> samples{};
};

void moving_avg_init(moving_avg& avg);

// The mean is always the sum of all ten slots over ten, so it ramps up over the first ten
// samples instead of jumping to the first one.
void moving_avg_add(moving_avg& avg, std::uint64_t sample);

// One sample to each of two averages kept together. `quiet` tells that both hold only zeros and
// is kept so: zeros added to all-zero averages change nothing, so they are skipped, and an
// ageing pass over thousands of idle links does not touch their averages at all.
void moving_avg_add_pair(moving_avg& a, std::uint64_t sample_a, moving_avg& b, std::uint64_t sample_b, bool& quiet);

// The drawn width of a UTF-8 text in the map's font, in world units at the current text size
// (hfont_set_text_size): the sum of the characters' advances × width size / em, accumulated as
// a float. A character the font lacks, and a byte that is not part of valid UTF-8, measure as
// "A". Empty or missing text measures 0. With no font loaded every character measures
// TEXT_WIDTH_FALLBACK_ADVANCE font units of a TEXT_WIDTH_FALLBACK_EM em (the generated
// font's "A").
inline constexpr float TEXT_WIDTH_FALLBACK_ADVANCE = 18.0f;
inline constexpr float TEXT_WIDTH_FALLBACK_EM = 21.0f;
[[nodiscard]] float text_width(const char* text);

}  // namespace nw

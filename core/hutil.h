// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace nw {

inline constexpr int MOVING_AVG_SAMPLES = 10;

// A ten-sample moving average as a record shows it; its samples are kept by the owner's
// moving_avg_columns.
struct moving_avg {
  double mean = 0.0;
};

// The ten-sample moving averages of many records, kept by column: every record takes its n-th
// sample in the same slot, so an ageing pass walks two dense arrays instead of ten samples
// inside every record, and the sums stay exact as each sample replaces the oldest. The mean is
// always the sum of the ten slots over ten, so a new record's mean ramps up over its first ten
// samples instead of jumping to the first one.
class moving_avg_columns {
 public:
  // A new record with ten zero samples; returns its number.
  [[nodiscard]] std::uint32_t add_record();
  // The samples that follow go to the next slot, replacing the oldest of every record.
  void next_slot();
  // The record's sample in the current slot; returns its mean.
  double add(std::uint32_t record, std::uint64_t sample);
  [[nodiscard]] std::uint64_t sum(std::uint32_t record) const { return sums_[record]; }
  // The record's sample of the pass before this one.
  [[nodiscard]] std::uint64_t previous(std::uint32_t record) const {
    return slots_[(slot_ + MOVING_AVG_SAMPLES - 1) % MOVING_AVG_SAMPLES][record];
  }

 private:
  std::array<std::vector<std::uint64_t>, MOVING_AVG_SAMPLES> slots_;
  std::vector<std::uint64_t> sums_;
  std::size_t slot_ = 0;
};

// A record's two averages (frames and bytes) as one ageing pass feeds them. `steady` tells
// that each holds ten equal samples and is kept so: the same samples added again change
// nothing, so they are skipped, and a record may miss passes while its samples stay what they
// were (every slot it missed holds them already).
struct moving_avg_pair_columns {
  moving_avg_columns frames;
  moving_avg_columns bytes;

  [[nodiscard]] std::uint32_t add_record();
  void next_slot();
  void add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample, moving_avg& frames_avg,
           moving_avg& bytes_avg, bool& steady);

 private:
  std::vector<std::uint8_t> runs_;  // by record: how many of its newest samples are alike, up to ten
};

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

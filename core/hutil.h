// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace nw {

inline constexpr int MOVING_AVG_SAMPLES = 10;

// A ten-sample moving average as a record shows it; its samples are kept by the owner's
// moving_avg_pairs.
struct moving_avg {
  double mean = 0.0;
};

// The ten-sample moving averages (frames and bytes) of many records, kept for their owners.
// Every record takes its n-th sample in the same slot, so the sums stay exact as each sample
// replaces the oldest, and a mean is always the sum of the ten slots over ten: a new record's
// mean ramps up over its first ten samples instead of jumping to the first one. A record's
// samples, sums and run lie together in one row, so that a pass visiting a few awake records
// among many reads a row apiece; rows come in blocks that never move, so adding records copies
// none.
//
// `steady` tells that each average holds ten equal samples and is kept so: the same samples
// added again change nothing, so they are skipped, and a record may miss passes while its
// samples stay what they were (every slot it missed holds them already).
class moving_avg_pairs {
 public:
  // A new record with ten zero samples; returns its number.
  [[nodiscard]] std::uint32_t add_record();
  // The samples that follow go to the next slot, replacing the oldest of every record.
  void next_slot();
  void add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample, moving_avg& frames_avg,
           moving_avg& bytes_avg, bool& steady);
  // Starts loading what add reads of the record, for an add a little later.
  void preload(std::uint32_t record) const;

 private:
  struct alignas(64) row {
    std::array<std::array<std::uint64_t, 2>, MOVING_AVG_SAMPLES> samples{};  // frames, bytes by slot
    std::uint64_t frames_sum = 0;
    std::uint64_t bytes_sum = 0;
    std::uint8_t run = MOVING_AVG_SAMPLES;  // how many of its newest samples are alike, up to ten
  };
  static constexpr std::uint32_t BLOCK_ROWS = 512;  // 96 KiB: a quiet network costs little

  [[nodiscard]] row& at(std::uint32_t record) const { return blocks_[record / BLOCK_ROWS][record % BLOCK_ROWS]; }

  std::vector<std::unique_ptr<row[]>> blocks_;
  std::uint32_t count_ = 0;
  std::size_t slot_ = 0;
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

// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace nw {

inline constexpr int MOVING_AVG_SAMPLES = 10;

// The means of a record's ten-sample moving averages of frames and bytes.
struct moving_means {
  double frames = 0.0;
  double bytes = 0.0;
};

// The ten-sample moving averages (frames and bytes) of many records, one sample per ageing
// pass, kept for their owners. A new record starts with ten zero samples, so its mean ramps up
// over its first ten samples instead of jumping to the first one.
//
// A pass takes no samples: a record's counters hold what they held at every pass since they
// last changed, so its owner tells it just before they change (hold), and the passes since then
// are filled in with what they hold; a mean is worked out when it is read, from the samples kept
// and the counters' present values. A busy network's records so cost nothing per pass, and a
// change costs the samples it fills in. A record's samples lie together in one row; rows come
// in blocks that never move, so adding records copies none.
class moving_avg_pairs {
 public:
  // A new record with ten zero samples; returns its number.
  [[nodiscard]] std::uint32_t add_record();
  // The passes' clock: the pass that begins now samples the counters as they stand.
  void next_slot();
  // The record's counters are about to change from these values: the passes since its last
  // change took them.
  void hold(std::uint32_t record, std::uint64_t frames_now, std::uint64_t bytes_now);
  // Starts loading what hold reads of the record, for a hold a little later.
  void preload(std::uint32_t record) const;
  // The means over the record's last ten passes, its counters holding these values now.
  [[nodiscard]] moving_means means(std::uint32_t record, std::uint64_t frames_now, std::uint64_t bytes_now) const;

 private:
  // Two cache lines. A frames sample fits 32 bits: the one-second window holding 2^32 frames
  // would take some 200 GB.
  struct alignas(64) row {
    std::array<std::uint64_t, MOVING_AVG_SAMPLES> bytes{};  // by pass % 10
    std::array<std::uint32_t, MOVING_AVG_SAMPLES> frames{};
    std::uint64_t last_pass = 0;  // the pass of the newest sample kept
  };
  static constexpr std::uint32_t BLOCK_ROWS = 512;  // 64 KiB: a quiet network costs little

  [[nodiscard]] row& at(std::uint32_t record) const { return blocks_[record / BLOCK_ROWS][record % BLOCK_ROWS]; }

  std::vector<std::unique_ptr<row[]>> blocks_;
  std::uint32_t count_ = 0;
  // Starts ten passes in, so the ten passes before any record's first are never negative.
  std::uint64_t pass_ = std::uint64_t{MOVING_AVG_SAMPLES};
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

// Small shared arithmetic of the model: the ten-sample moving average.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/large_table_allocator.h"
#include "core/record_blocks.h"

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
// A record is sampled only on the passes its owner visits it, and the owner visits it on the
// first pass after each change of its counters: on the passes it missed its counters held what
// its last sample took, so those samples are filled in from it when it is next sampled or read.
// A busy network's records so cost a visit per change, not ten passes of a ramping mean after
// each one. A record's samples lie together in one row; rows come in blocks that never move, so
// adding records copies none. A record whose last sample was zero is marked as such in a small
// bitmap: a zero sample for it changes nothing its row says and is not written (a host or link
// timing out is visited once more after its traffic ended, and then its row stays cold). An
// owner whose last second has just emptied need not visit at all: the record takes its zero
// sample at the next pass by itself (zero_next_pass), noted beside the row and written into it
// only when the record is next sampled, so the row stays cold from its last frame on.
class moving_avg_pairs {
 public:
  // Room for records up to count, so that adding them does not allocate.
  void reserve_records(std::uint32_t count);
  // A new record with ten zero samples; returns its number.
  [[nodiscard]] std::uint32_t add_record();
  // The passes' clock: the samples that follow are this pass's.
  void next_slot();
  // The record's sample of this pass.
  void add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample);
  // The record's sample of the next pass is zero, unless an add at that pass says otherwise.
  void zero_next_pass(std::uint32_t record);
  // Starts loading what add reads and writes of the record, for an add a little later. A record
  // holding a zero sample is loaded too: most records visited after a silence take a sample that
  // is not zero, and their rows went cold with the silence.
  void preload(std::uint32_t record) const;
  // The means over the record's last ten passes.
  [[nodiscard]] moving_means means(std::uint32_t record) const;

 private:
  // Two cache lines. A frames sample fits 32 bits: the one-second window holding 2^32 frames
  // would take some 200 GB.
  struct alignas(64) row {
    std::array<std::uint64_t, MOVING_AVG_SAMPLES> bytes{};  // by pass % 10
    std::array<std::uint32_t, MOVING_AVG_SAMPLES> frames{};
    std::uint64_t last_pass = 0;  // the pass of the newest sample
  };
  static constexpr std::uint32_t BLOCK_ROWS = 512;  // 64 KiB: a quiet network costs little

  [[nodiscard]] row& at(std::uint32_t record) const { return rows_[record]; }
  [[nodiscard]] static bool test(const std::vector<std::uint64_t>& bits, std::uint32_t record) {
    return (bits[record / 64] >> record % 64 & 1) != 0;
  }
  static void mark(std::vector<std::uint64_t>& bits, std::uint32_t record, bool on);
  [[nodiscard]] bool holds_zero(std::uint32_t record) const { return test(holds_zero_, record); }
  // A zero sample is pending for a pass that has begun: the row takes it before anything later.
  [[nodiscard]] bool zero_due(std::uint32_t record) const;
  // The samples of the passes after the row's last up to `pass`, which is one of them: those
  // before it held the row's last, and it takes the one given.
  static void take(row& r, std::uint64_t pass, std::uint64_t frames_sample, std::uint64_t bytes_sample);

  record_blocks<row, BLOCK_ROWS> rows_;
  // By record: its newest sample is zero, or a zero sample is pending.
  std::vector<std::uint64_t> holds_zero_;
  // By record: a zero sample is pending, taken at the pass in zero_pass_.
  std::vector<std::uint64_t> zero_pending_;
  std::vector<std::uint64_t, large_table_allocator<std::uint64_t>> zero_pass_;
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

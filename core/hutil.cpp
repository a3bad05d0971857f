// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <algorithm>
#include <string_view>

#include "core/hfont.h"
#include "core/prefetch.h"

namespace nw {

namespace {
constexpr std::uint64_t SAMPLES = MOVING_AVG_SAMPLES;
}  // namespace

void moving_avg_pairs::reserve_records(std::uint32_t count) {
  // Judged by the last of the three to grow: after a failure part way the next call grows again.
  if (zero_pending_.size() * 64 < count) {
    const std::size_t words = (std::size_t{count} + 63) / 64 * 2;
    zero_pass_.reserve(words * 64);
    holds_zero_.resize(words, 0);
    zero_pending_.resize(words, 0);
  }
  rows_.reserve(count);
}

std::uint32_t moving_avg_pairs::add_record() {
  reserve_records(static_cast<std::uint32_t>(rows_.size()) + 1);
  const auto record = static_cast<std::uint32_t>(rows_.size());
  rows_.add().last_pass = pass_;
  zero_pass_.push_back(0);
  mark(holds_zero_, record, true);
  return record;
}

void moving_avg_pairs::next_slot() { ++pass_; }

void moving_avg_pairs::preload(std::uint32_t record) const {
  if (test(zero_pending_, record)) cache_preload(&zero_pass_[record]);  // add writes it unless it stays zero
  const row& r = at(record);
  cache_preload(&r.bytes);
  cache_preload(&r.frames);
}

void moving_avg_pairs::take(row& r, std::uint64_t pass, std::uint64_t frames_sample, std::uint64_t bytes_sample) {
  const std::size_t held = r.last_pass % SAMPLES;
  const std::uint64_t missed = std::min(pass - r.last_pass, SAMPLES);
  for (std::uint64_t p = pass - missed + 1; p < pass; ++p) {
    r.frames[p % SAMPLES] = r.frames[held];
    r.bytes[p % SAMPLES] = r.bytes[held];
  }
  r.frames[pass % SAMPLES] = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames_sample, UINT32_MAX));
  r.bytes[pass % SAMPLES] = bytes_sample;
  r.last_pass = pass;
}

void moving_avg_pairs::mark(std::vector<std::uint64_t>& bits, std::uint32_t record, bool on) {
  const std::uint64_t bit = std::uint64_t{1} << record % 64;
  bits[record / 64] = on ? bits[record / 64] | bit : bits[record / 64] & ~bit;
}

bool moving_avg_pairs::zero_due(std::uint32_t record) const {
  // A zero for a pass not begun yet is overtaken by a sample added now.
  return test(zero_pending_, record) && zero_pass_[record] <= pass_;
}

void moving_avg_pairs::add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample) {
  const bool zero = frames_sample == 0 && bytes_sample == 0;
  if (zero && holds_zero(record)) return;
  mark(holds_zero_, record, zero);
  row& r = at(record);
  if (zero_due(record)) take(r, zero_pass_[record], 0, 0);  // replaced by this sample if of this pass
  mark(zero_pending_, record, false);
  take(r, pass_, frames_sample, bytes_sample);
}

void moving_avg_pairs::zero_next_pass(std::uint32_t record) {
  // Holding zero, or holding it from a pass still pending: every sample since was zero too.
  if (holds_zero(record)) return;
  mark(holds_zero_, record, true);
  mark(zero_pending_, record, true);
  zero_pass_[record] = pass_ + 1;
}

moving_means moving_avg_pairs::means(std::uint32_t record) const {
  row r = at(record);
  if (zero_due(record)) take(r, zero_pass_[record], 0, 0);
  const std::size_t held = r.last_pass % SAMPLES;
  const std::uint64_t missed = std::min(pass_ - r.last_pass, SAMPLES);
  std::uint64_t frames = missed * r.frames[held];
  std::uint64_t bytes = missed * r.bytes[held];
  for (std::uint64_t pass = pass_ - SAMPLES + 1; pass + missed <= pass_; ++pass) {
    frames += r.frames[pass % SAMPLES];
    bytes += r.bytes[pass % SAMPLES];
  }
  // Exact below 2^53, as a running sum over ten would be.
  return {static_cast<double>(frames) / static_cast<double>(SAMPLES), static_cast<double>(bytes) / static_cast<double>(SAMPLES)};
}

float text_width(const char* text) {
  if (text == nullptr) return 0.0f;
  std::string_view rest(text);
  const hfont* font = hfont_current();
  const float size = hfont_text_width_size();
  const float scale = font != nullptr ? size / static_cast<float>(font->em)
                                      : size / TEXT_WIDTH_FALLBACK_EM;
  // Labels once held single bytes and the map measured every byte it could not place as "A";
  // an unknown character or a broken byte still does, so a label never measures short.
  float unknown = TEXT_WIDTH_FALLBACK_ADVANCE * scale;
  if (font != nullptr) {
    if (const hfont_glyph* a = hfont_find(*font, U'A'))
      unknown = static_cast<float>(a->advance) * scale;
  }
  float width = 0.0f;
  while (!rest.empty()) {
    const hfont_glyph* glyph = hfont_next_glyph(font, rest);
    width += glyph != nullptr ? static_cast<float>(glyph->advance) * scale : unknown;
  }
  return width;
}

}  // namespace nw

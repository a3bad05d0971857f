// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <algorithm>
#include <string_view>

#include "core/hfont.h"

namespace nw {

std::uint32_t moving_avg_columns::add_record() {
  for (auto& slot : slots_) slot.push_back(0);
  sums_.push_back(0);
  return static_cast<std::uint32_t>(sums_.size() - 1);
}

void moving_avg_columns::next_slot() { slot_ = (slot_ + 1) % MOVING_AVG_SAMPLES; }

double moving_avg_columns::add(std::uint32_t record, std::uint64_t sample) {
  std::uint64_t& oldest = slots_[slot_][record];
  std::uint64_t& sum = sums_[record];
  sum = sum - oldest + sample;
  oldest = sample;
  return static_cast<double>(sum) / MOVING_AVG_SAMPLES;
}

std::uint32_t moving_avg_pair_columns::add_record() {
  (void)bytes.add_record();
  runs_.push_back(MOVING_AVG_SAMPLES);  // ten zeros
  return frames.add_record();
}

void moving_avg_pair_columns::next_slot() {
  frames.next_slot();
  bytes.next_slot();
}

void moving_avg_pair_columns::add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample,
                                  moving_avg& frames_avg, moving_avg& bytes_avg, bool& steady) {
  // Ten equal samples make a mean equal to each of them (exactly, below 2^53).
  if (steady && static_cast<double>(frames_sample) == frames_avg.mean &&
      static_cast<double>(bytes_sample) == bytes_avg.mean)
    return;
  const bool alike = frames_sample == frames.previous(record) && bytes_sample == bytes.previous(record);
  frames_avg.mean = frames.add(record, frames_sample);
  bytes_avg.mean = bytes.add(record, bytes_sample);
  std::uint8_t& run = runs_[record];
  run = static_cast<std::uint8_t>(alike ? std::min(run + 1, MOVING_AVG_SAMPLES) : 1);
  steady = run == MOVING_AVG_SAMPLES;
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

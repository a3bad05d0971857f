// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <algorithm>
#include <string_view>

#include "core/hfont.h"
#include "core/prefetch.h"

namespace nw {

std::uint32_t moving_avg_pairs::add_record() {
  if (count_ % BLOCK_ROWS == 0) blocks_.push_back(std::make_unique<row[]>(BLOCK_ROWS));
  return count_++;
}

void moving_avg_pairs::next_slot() { slot_ = (slot_ + 1) % MOVING_AVG_SAMPLES; }

void moving_avg_pairs::preload(std::uint32_t record) const {
  const row& r = at(record);
  cache_preload(&r.samples[slot_]);
  cache_preload(&r.frames_sum);
}

void moving_avg_pairs::add(std::uint32_t record, std::uint64_t frames_sample, std::uint64_t bytes_sample,
                           moving_avg& frames_avg, moving_avg& bytes_avg, bool& steady) {
  // Ten equal samples make a mean equal to each of them (exactly, below 2^53).
  if (steady && static_cast<double>(frames_sample) == frames_avg.mean &&
      static_cast<double>(bytes_sample) == bytes_avg.mean)
    return;
  row& r = at(record);
  const auto& previous = r.samples[(slot_ + MOVING_AVG_SAMPLES - 1) % MOVING_AVG_SAMPLES];
  const bool alike = frames_sample == previous[0] && bytes_sample == previous[1];
  auto& oldest = r.samples[slot_];
  r.frames_sum = r.frames_sum - oldest[0] + frames_sample;
  r.bytes_sum = r.bytes_sum - oldest[1] + bytes_sample;
  oldest = {frames_sample, bytes_sample};
  frames_avg.mean = static_cast<double>(r.frames_sum) / MOVING_AVG_SAMPLES;
  bytes_avg.mean = static_cast<double>(r.bytes_sum) / MOVING_AVG_SAMPLES;
  r.run = static_cast<std::uint8_t>(alike ? std::min(r.run + 1, MOVING_AVG_SAMPLES) : 1);
  steady = r.run == MOVING_AVG_SAMPLES;
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

// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <string_view>

#include "core/hfont.h"

namespace nw {

void moving_avg_init(moving_avg& avg) { avg = moving_avg{}; }

void moving_avg_add(moving_avg& avg, std::uint64_t sample) {
  std::uint64_t& slot = avg.samples[static_cast<std::size_t>(avg.next)];
  avg.sum = avg.sum - slot + sample;
  slot = sample;
  avg.next = (avg.next + 1) % MOVING_AVG_SAMPLES;
  avg.mean = static_cast<double>(avg.sum) / 10.0;
}

void moving_avg_add_pair(moving_avg& a, std::uint64_t sample_a, moving_avg& b, std::uint64_t sample_b, bool& quiet) {
  if (quiet && sample_a == 0 && sample_b == 0) return;
  moving_avg_add(a, sample_a);
  moving_avg_add(b, sample_b);
  quiet = a.sum == 0 && b.sum == 0;
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

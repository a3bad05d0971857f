// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <numeric>
#include <string_view>

#include "core/hfont.h"

namespace nw {

void moving_avg_init(moving_avg& avg) { avg = moving_avg{}; }

void moving_avg_add(moving_avg& avg, double sample) {
  avg.samples[static_cast<std::size_t>(avg.next)] = sample;
  avg.next = (avg.next + 1) % MOVING_AVG_SAMPLES;
  avg.mean = std::accumulate(avg.samples.begin(), avg.samples.end(), 0.0) / 10.0;
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

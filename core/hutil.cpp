// The ten-sample moving average and the width of a label in the map's font.
#include "core/hutil.h"

#include <numeric>

#include "core/hfont.h"

namespace nw {

void moving_avg_init(moving_avg& avg) { avg = moving_avg{}; }

void moving_avg_add(moving_avg& avg, double sample) {
  avg.samples[static_cast<std::size_t>(avg.next)] = sample;
  avg.next = (avg.next + 1) % MOVING_AVG_SAMPLES;
  avg.mean = std::accumulate(avg.samples.begin(), avg.samples.end(), 0.0) / 10.0;
}

namespace {

// The code point of the UTF-8 character at s and its length in bytes, or length 0 when s does
// not start a well-formed character (stray continuation byte, overlong form, surrogate, beyond
// U+10FFFF, or cut short, which includes meeting the terminator).
std::size_t utf8_decode(const unsigned char* s, char32_t& code) {
  const unsigned lead = s[0];
  std::size_t length = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

float text_width(const char* text) {
  if (text == nullptr) return 0.0f;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
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
  while (*s != 0) {
    char32_t code = 0;
    std::size_t length = utf8_decode(s, code);
    const hfont_glyph* glyph = nullptr;
    if (length == 0) {
      length = 1;
    } else if (font != nullptr) {
      glyph = hfont_find(*font, code);
    }
    width += glyph != nullptr ? static_cast<float>(glyph->advance) * scale : unknown;
    s += length;
  }
  return width;
}

}  // namespace nw

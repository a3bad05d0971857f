// The map's stroke font: reading font.bin, looking glyphs up by code point, and the text size
// the map draws and measures with.
//
// The glyphs are the Hershey fonts. The Hershey Fonts were originally created by Dr. A. V.
// Hershey while working at the U. S. National Bureau of Standards. The format of the Font data
// in the distribution they were converted from was originally created by James Hurt, Cognition,
// Inc., 900 Technology Park Drive, Billerica, MA 01821.
//
// font.bin, version 1. All numbers little-endian.
//
//   offset  size  field
//   0       4     magic "NWHF"
//   4       2     version, 1
//   6       2     glyph count N, 1..HFONT_MAX_GLYPHS
//   8       1     em: font units from the baseline to the top of a capital; a text size of h
//                 world units draws capitals h high
//   9       1     ascent, signed: the highest y of any glyph
//   10      1     descent, signed: the lowest y of any glyph (below the baseline: negative)
//   11      1     reserved, 0
//   12      4     stroke area size S in bytes
//   16      12×N  glyph directory, code points strictly ascending:
//                   4  Unicode code point the glyph serves
//                   1  advance width in font units (the glyph's right bound minus its left)
//                   1  reserved, 0
//                   2  stroke count
//                   4  offset of the glyph's first stroke in the stroke area
//   16+12N  S     stroke area; a glyph's strokes follow one another from its offset, each a
//                 point count (1 byte, at least 1) and that many (x, y) pairs of signed bytes.
//
// A stroke is one pen-down polyline. Coordinates are font units from the glyph's origin: x to
// the right of the pen position, y up from the baseline. The file ends exactly after the
// stroke area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nw {

inline constexpr char HFONT_MAGIC[4] = {'N', 'W', 'H', 'F'};
inline constexpr std::uint16_t HFONT_VERSION = 1;
inline constexpr std::size_t HFONT_HEADER_SIZE = 16;
inline constexpr std::size_t HFONT_DIRECTORY_ENTRY_SIZE = 12;
inline constexpr std::uint16_t HFONT_MAX_GLYPHS = 4096;

struct hfont_point {
  std::int8_t x = 0;
  std::int8_t y = 0;
};

struct hfont_stroke {
  std::uint32_t first_point = 0;  // index into hfont::points
  std::uint32_t point_count = 0;
};

struct hfont_glyph {
  char32_t code = 0;
  std::uint8_t advance = 0;
  std::uint32_t first_stroke = 0;  // index into hfont::strokes
  std::uint32_t stroke_count = 0;
};

// A parsed font. The glyphs keep the file's ascending code-point order.
struct hfont {
  std::uint8_t em = 0;
  std::int8_t ascent = 0;
  std::int8_t descent = 0;
  std::vector<hfont_glyph> glyphs;
  std::vector<hfont_stroke> strokes;
  std::vector<hfont_point> points;
  // Glyph indices for U+0000..U+007F and U+0400..U+045F, -1 where the font has none: every
  // character of the labels we expect is found without a search.
  std::vector<std::int16_t> ascii_index;
  std::vector<std::int16_t> cyrillic_index;
};

// Parses a whole font.bin image. 1 when the font is sound; -1 with error_text saying what is
// wrong otherwise (font is then left empty). Every count, offset and length is checked
// against the image before it is used.
int hfont_parse(std::span<const std::uint8_t> bytes, hfont& font, std::string& error_text);

// The glyph serving a code point, or nullptr.
[[nodiscard]] const hfont_glyph* hfont_find(const hfont& font, char32_t code);

// Takes the first character off text (one whole UTF-8 character, or one byte where text does
// not start with one) and returns its glyph: nullptr when that byte is not UTF-8, the font
// lacks the character, or there is no font. text_width and the map's text drawing both walk a
// text this way, so that what is drawn is exactly as wide as what was measured.
[[nodiscard]] const hfont_glyph* hfont_next_glyph(const hfont* font, std::string_view& text);

[[nodiscard]] std::span<const hfont_stroke> hfont_glyph_strokes(const hfont& font,
                                                                const hfont_glyph& glyph);
[[nodiscard]] std::span<const hfont_point> hfont_stroke_points(const hfont& font,
                                                              const hfont_stroke& stroke);

// ---- The program's font --------------------------------------------------------------------
// Loaded once at start-up, before the threads that draw and measure start; read-only after.

// Loads font.bin from path as the program's font. 1 when done; -1 with error_text when the file
// cannot be read or is damaged, and the previously loaded font (if any) stays in use.
int hfont_load(const std::string& path, std::string& error_text);

// Forgets the loaded font and sets the text size back to 1 × 1 (tests start clean).
void hfont_reset();

// The loaded font, or nullptr when none is loaded.
[[nodiscard]] const hfont* hfont_current();

// The text size in world units, as the map sets it before it draws or measures labels: a text
// of size (w, h) scales the font's units by w / em across and h / em up. 1 × 1 until set.
// May be called from any thread.
void hfont_set_text_size(float width, float height);
[[nodiscard]] float hfont_text_width_size();
[[nodiscard]] float hfont_text_height_size();

}  // namespace nw

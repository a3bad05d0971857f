// The Hershey fonts in the .jhf form of Debian's hershey-fonts-data, and the writer of our
// font.bin (format described in core/hfont.h).
//
// A .jhf line is one glyph: a 5-column glyph number, a 3-column vertex count, then that many
// pairs of characters. The first pair is the left and right bound, the others are x, y
// coordinates, each the character's distance from 'R'; the pair " R" lifts the pen. Each file
// holds 96 glyphs for the characters 32..127 in order.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace nw::hershey {

// Hershey coordinates: x to the right of the glyph's centre, y down, the baseline at y = 9 and
// the top of a capital at y = -12.
struct point {
  int x = 0;
  int y = 0;
};

using stroke = std::vector<point>;

struct glyph {
  int number = 0;  // Hershey's own glyph number; some files put a placeholder here
  int left = 0;
  int right = 0;
  std::vector<stroke> strokes;
};

inline constexpr int BASELINE = 9;
inline constexpr int CAPITAL_TOP = -12;

// The glyphs of a .jhf file in file order. A glyph whose pairs do not fit on its line goes on
// the following lines, as some copies of the files wrap long glyphs. false with error_text
// (naming the line) on anything malformed.
bool read_jhf(std::istream& in, std::vector<glyph>& glyphs, std::string& error_text);

// The glyph serving character c of a 96-glyph file, or nullptr.
[[nodiscard]] const glyph* slot(const std::vector<glyph>& glyphs, char c);

// A glyph of the font being written, in font.bin's coordinates: origin at the pen position on
// the baseline, y up.
struct font_glyph {
  char32_t code = 0;
  int advance = 0;
  std::vector<stroke> strokes;
};

// The glyph in font.bin's coordinates, serving code.
[[nodiscard]] font_glyph to_font_glyph(char32_t code, const glyph& g);

// The whole font.bin image for these glyphs (any order; each code once). Empty with
// error_text when a glyph does not fit the format.
[[nodiscard]] std::vector<std::uint8_t> encode_font(std::vector<font_glyph> glyphs,
                                                    std::string& error_text);

}  // namespace nw::hershey

// nodewren-make-font: writes the map's stroke font font.bin from the Hershey fonts of Debian's
// hershey-fonts-data: printable ASCII from Roman simplex, the Russian alphabet from Cyrillic
// complex.
//
// The Hershey Fonts were originally created by Dr. A. V. Hershey while working at the U. S.
// National Bureau of Standards. The format of the Font data this tool reads was originally
// created by James Hurt, Cognition, Inc., 900 Technology Park Drive, Billerica, MA 01821.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/hershey.h"
#include "tools/replace_file.h"

namespace {

namespace hy = nw::hershey;

// cyrillic.jhf spreads the 32 letters of the alphabet without Ё over the ASCII slots, roughly
// by sound ("V" is В, "Q" is Ш) with punctuation slots for the rest ("$" Ы, "%" ц). Its "E" and
// "e" were meant for Й and й, but its "E" is a second copy of И, so Й comes from cyrilc_1.jhf,
// which keeps Hershey's alphabetical order А..Щ in "A".."Z". Neither file has э: its "c" is a
// second capital Э.
struct cyrillic_letter {
  char32_t code;
  char slot;
  bool from_cyrilc_1 = false;
};

constexpr cyrillic_letter CYRILLIC[] = {
    {U'А', 'A'}, {U'Б', 'B'}, {U'В', 'V'}, {U'Г', 'G'}, {U'Д', 'D'}, {U'Е', '['},
    {U'Ж', 'H'}, {U'З', 'Z'}, {U'И', 'I'}, {U'Й', 'J', true}, {U'К', 'K'}, {U'Л', 'L'},
    {U'М', 'M'}, {U'Н', 'N'}, {U'О', 'O'}, {U'П', 'P'}, {U'Р', 'R'}, {U'С', 'S'},
    {U'Т', 'T'}, {U'У', 'Y'}, {U'Ф', 'F'}, {U'Х', 'X'}, {U'Ц', '`'}, {U'Ч', 'J'},
    {U'Ш', 'Q'}, {U'Щ', 'W'}, {U'Ъ', ']'}, {U'Ы', '$'}, {U'Ь', '_'}, {U'Э', 'C'},
    {U'Ю', 'U'}, {U'Я', '^'},
    {U'а', 'a'}, {U'б', 'b'}, {U'в', 'v'}, {U'г', 'g'}, {U'д', 'd'}, {U'е', '{'},
    {U'ж', 'h'}, {U'з', 'z'}, {U'и', 'i'}, {U'й', 'e'}, {U'к', 'k'}, {U'л', 'l'},
    {U'м', 'm'}, {U'н', 'n'}, {U'о', 'o'}, {U'п', 'p'}, {U'р', 'r'}, {U'с', 's'},
    {U'т', 't'}, {U'у', 'y'}, {U'ф', 'f'}, {U'х', 'x'}, {U'ц', '%'}, {U'ч', 'j'},
    {U'ш', 'q'}, {U'щ', 'w'}, {U'ъ', '|'}, {U'ы', '&'}, {U'ь', '~'}, {U'ю', 'u'},
    {U'я', '}'},
};

bool read_file(const std::filesystem::path& path, std::vector<hy::glyph>& glyphs) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be opened\n", path.c_str());
    return false;
  }
  std::string error;
  if (!hy::read_jhf(in, glyphs, error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  if (glyphs.size() != 96) {
    std::fprintf(stderr, "%s: %zu glyphs where 96 were expected\n", path.c_str(), glyphs.size());
    return false;
  }
  return true;
}

// The dots of Ё and ё: two small diamonds, drawn like the full stop of the same font, centred
// at height y (Hershey coordinates) over the letter.
hy::glyph with_dieresis(hy::glyph letter, int y) {
  for (const int x : {-3, 2})
    letter.strokes.push_back({{x, y - 1}, {x - 1, y}, {x, y + 1}, {x + 1, y}, {x, y - 1}});
  return letter;
}

// э is с turned round with a bar, as Э is built from a reversed C.
hy::glyph small_e_reversed(const hy::glyph& es) {
  hy::glyph e = es;
  e.left = -es.right;
  e.right = -es.left;
  for (auto& s : e.strokes)
    for (auto& p : s) p.x = -p.x;
  e.strokes.push_back({{-2, 2}, {6, 2}});
  return e;
}

// Roman simplex draws an arrow for "^" and a wide minus sign for "-"; labels mean a caret and
// the hyphen of host names ("host-7" must not read "host — 7").
hy::glyph caret() {
  hy::glyph g;
  g.left = -8;
  g.right = 8;
  g.strokes.push_back({{-5, -6}, {0, -12}, {5, -6}});
  return g;
}

hy::glyph hyphen() {
  hy::glyph g;
  g.left = -7;
  g.right = 7;
  g.strokes.push_back({{-4, 1}, {4, 1}});
  return g;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: nodewren-make-font HERSHEY_FONT_DIR OUTPUT\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::vector<hy::glyph> roman, cyrillic, cyrilc_1;
  if (!read_file(dir / "rowmans.jhf", roman) || !read_file(dir / "cyrillic.jhf", cyrillic) ||
      !read_file(dir / "cyrilc_1.jhf", cyrilc_1))
    return 1;

  std::vector<hy::font_glyph> glyphs;
  for (char c = ' '; c <= '~'; ++c) {
    const hy::glyph g = c == '^' ? caret() : c == '-' ? hyphen() : *hy::slot(roman, c);
    glyphs.push_back(hy::to_font_glyph(static_cast<char32_t>(c), g));
  }
  for (const auto& letter : CYRILLIC) {
    const auto& source = letter.from_cyrilc_1 ? cyrilc_1 : cyrillic;
    glyphs.push_back(hy::to_font_glyph(letter.code, *hy::slot(source, letter.slot)));
  }
  glyphs.push_back(hy::to_font_glyph(U'э', small_e_reversed(*hy::slot(cyrillic, 's'))));
  glyphs.push_back(hy::to_font_glyph(U'Ё', with_dieresis(*hy::slot(cyrillic, '['), -15)));
  glyphs.push_back(hy::to_font_glyph(U'ё', with_dieresis(*hy::slot(cyrillic, '{'), -8)));

  std::string error;
  const auto bytes = hy::encode_font(std::move(glyphs), error);
  if (bytes.empty()) {
    std::fprintf(stderr, "nodewren-make-font: %s\n", error.c_str());
    return 1;
  }
  if (!nw::tools::replace_file(argv[2], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    std::fprintf(stderr, "%s: cannot write the font\n", argv[2]);
    return 1;
  }
  return 0;
}

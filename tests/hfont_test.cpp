// The map's stroke font: the generated font.bin, the reader's refusal of damaged files, and the
// width of labels measured with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/hfont.h"
#include "core/hutil.h"
#include "tools/hershey.h"

namespace nw {
namespace {

const std::u32string RUSSIAN =
    U"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя";

std::vector<std::uint8_t> font_bytes() {
  std::ifstream in(NODEWREN_FONT_FILE, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const hfont& built_font() {
  static const hfont font = [] {
    hfont f;
    std::string error;
    EXPECT_EQ(hfont_parse(font_bytes(), f, error), 1) << error;
    return f;
  }();
  return font;
}

struct extent {
  int low = 127;
  int high = -128;
};

extent vertical_extent(const hfont& font, char32_t code) {
  extent e;
  const hfont_glyph* glyph = hfont_find(font, code);
  if (glyph == nullptr) return e;
  for (const auto& stroke : hfont_glyph_strokes(font, *glyph))
    for (const auto& p : hfont_stroke_points(font, stroke)) {
      e.low = std::min<int>(e.low, p.y);
      e.high = std::max<int>(e.high, p.y);
    }
  return e;
}

std::vector<std::vector<std::pair<int, int>>> shape(const hfont& font, char32_t code) {
  std::vector<std::vector<std::pair<int, int>>> out;
  const hfont_glyph* glyph = hfont_find(font, code);
  if (glyph == nullptr) return out;
  for (const auto& stroke : hfont_glyph_strokes(font, *glyph)) {
    out.emplace_back();
    for (const auto& p : hfont_stroke_points(font, stroke)) out.back().emplace_back(p.x, p.y);
  }
  return out;
}

std::string code_name(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

// ---- The generated file --------------------------------------------------------------------

TEST(FontFile, CoversPrintableAsciiAndTheRussianAlphabet) {
  const hfont& font = built_font();
  EXPECT_EQ(font.em, 21);
  for (char32_t c = 32; c <= 126; ++c) {
    const hfont_glyph* glyph = hfont_find(font, c);
    ASSERT_NE(glyph, nullptr) << "ASCII " << static_cast<unsigned>(c);
    EXPECT_GT(glyph->advance, 0) << "ASCII " << static_cast<unsigned>(c);
    if (c != ' ') {
      EXPECT_GT(glyph->stroke_count, 0u) << "ASCII " << static_cast<unsigned>(c);
    }
  }
  for (const char32_t c : RUSSIAN) {
    const hfont_glyph* glyph = hfont_find(font, c);
    ASSERT_NE(glyph, nullptr) << code_name(c);
    EXPECT_GT(glyph->advance, 0) << code_name(c);
    EXPECT_GT(glyph->stroke_count, 0u) << code_name(c);
  }
  EXPECT_EQ(hfont_find(font, 0x7F), nullptr);
  EXPECT_EQ(hfont_find(font, U'€'), nullptr);
  EXPECT_EQ(hfont_find(font, 0x10FFFF), nullptr);
}

// cyrilc_1.jhf numbers its letters as Hershey did, alphabetically from А (2801) and а (2901),
// whatever slots they sit in; the letters it has must be exactly the ones font.bin serves.
TEST(FontFile, RussianLettersAreTheOnesHersheyNumbered) {
  std::ifstream in(NODEWREN_HERSHEY_DIR "/cyrilc_1.jhf");
  std::vector<hershey::glyph> glyphs;
  std::string error;
  ASSERT_TRUE(hershey::read_jhf(in, glyphs, error)) << error;
  int compared = 0;
  for (const auto& g : glyphs) {
    char32_t code = 0;
    if (g.number >= 2801 && g.number <= 2826) code = U'А' + static_cast<char32_t>(g.number - 2801);
    if (g.number >= 2901 && g.number <= 2926) code = U'а' + static_cast<char32_t>(g.number - 2901);
    if (code == 0) continue;
    const auto expected = hershey::to_font_glyph(code, g);
    std::vector<std::vector<std::pair<int, int>>> expected_shape;
    for (const auto& s : expected.strokes) {
      expected_shape.emplace_back();
      for (const auto& p : s) expected_shape.back().emplace_back(p.x, p.y);
    }
    EXPECT_EQ(shape(built_font(), code), expected_shape) << code_name(code);
    EXPECT_EQ(hfont_find(built_font(), code)->advance, expected.advance) << code_name(code);
    ++compared;
  }
  EXPECT_EQ(compared, 52);
}

// The Cyrillic source file repeats some glyphs in other slots; a letter drawn with another
// letter's glyph is the mistake a wrong slot makes.
TEST(FontFile, NoTwoRussianLettersShareAShape) {
  std::set<std::vector<std::vector<std::pair<int, int>>>> shapes;
  for (const char32_t c : RUSSIAN) {
    EXPECT_TRUE(shapes.insert(shape(built_font(), c)).second) << code_name(c);
  }
}

TEST(FontFile, RussianLettersHaveTheirHeightsAndDescenders) {
  const std::u32string capitals = U"АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
  const std::u32string small = U"авгдежзиклмнопрстухцчшщъыьэюя";
  const std::u32string tall_small = U"бф";
  const std::u32string marked = U"ЁЙёй";
  const std::u32string descending = U"ДЦЩдруфцщ";
  for (const char32_t c : RUSSIAN) {
    const extent e = vertical_extent(built_font(), c);
    if (capitals.find(c) != std::u32string::npos || tall_small.find(c) != std::u32string::npos) {
      EXPECT_EQ(e.high, 21) << code_name(c);
    }
    if (small.find(c) != std::u32string::npos) {
      EXPECT_EQ(e.high, 14) << code_name(c);
    }
    if (descending.find(c) != std::u32string::npos) {
      EXPECT_LT(e.low, 0) << code_name(c);
    } else {
      EXPECT_EQ(e.low, 0) << code_name(c);
    }
  }
  // The marks stand above the letter they sit on.
  EXPECT_GT(vertical_extent(built_font(), U'Ё').high, 21);
  EXPECT_GT(vertical_extent(built_font(), U'Й').high, 21);
  EXPECT_GT(vertical_extent(built_font(), U'ё').high, 14);
  EXPECT_GT(vertical_extent(built_font(), U'й').high, 14);
  EXPECT_EQ(shape(built_font(), U'Ё').size(), shape(built_font(), U'Е').size() + 2);
  EXPECT_EQ(shape(built_font(), U'ё').size(), shape(built_font(), U'е').size() + 2);
}

TEST(FontFile, WidthsFollowTheLetters) {
  auto advance = [](char32_t c) { return hfont_find(built_font(), c)->advance; };
  EXPECT_GT(advance(U'W'), advance(U'i'));
  EXPECT_GT(advance(U'm'), advance(U'l'));
  EXPECT_GT(advance(U'Ш'), advance(U'г'));
  EXPECT_GT(advance(U'Ж'), advance(U'Г'));
  EXPECT_EQ(advance(U'0'), advance(U'8'));  // figures line up in address labels
  for (const char32_t c : RUSSIAN) EXPECT_LE(advance(c), 2 * built_font().em) << code_name(c);
}

// ---- Damaged files ---------------------------------------------------------------------------

void put_u16(std::vector<std::uint8_t>& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get_u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::size_t entry(std::size_t glyph) {
  return HFONT_HEADER_SIZE + glyph * HFONT_DIRECTORY_ENTRY_SIZE;
}

void expect_refused(const std::vector<std::uint8_t>& bytes, const std::string& what) {
  hfont font;
  std::string error;
  EXPECT_EQ(hfont_parse(bytes, font, error), -1) << what;
  EXPECT_FALSE(error.empty()) << what;
  EXPECT_TRUE(font.glyphs.empty()) << what;
  EXPECT_EQ(hfont_find(font, U'A'), nullptr) << what;
}

TEST(DamagedFont, TruncatedAnywhereOrExtendedIsRefused) {
  const auto good = font_bytes();
  ASSERT_GT(good.size(), 1000u);
  for (std::size_t length = 0; length < good.size(); ++length)
    expect_refused({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)},
                   "cut to " + std::to_string(length));
  auto longer = good;
  longer.push_back(0);
  expect_refused(longer, "one byte too many");
}

TEST(DamagedFont, BadHeaderFieldsAreRefused) {
  const auto good = font_bytes();
  auto b = good;
  b[0] = 'X';
  expect_refused(b, "magic");
  b = good;
  put_u16(b, 4, 2);
  expect_refused(b, "version");
  b = good;
  put_u16(b, 6, 0);
  expect_refused(b, "no glyphs");
  b = good;
  put_u16(b, 6, 0xFFFF);
  expect_refused(b, "count far too large");
  b = good;
  put_u16(b, 6, static_cast<unsigned>(built_font().glyphs.size() + 1));
  expect_refused(b, "count one too large");
  b = good;
  b[8] = 0;
  expect_refused(b, "em 0");
  b = good;
  put_u32(b, 12, get_u32(good, 12) + 1);
  expect_refused(b, "stroke area longer than the file");
  b = good;
  put_u32(b, 12, 0xFFFFFFFF);
  expect_refused(b, "stroke area size wraps");
}

TEST(DamagedFont, BadDirectoryEntriesAreRefused) {
  const auto good = font_bytes();
  const std::uint32_t area_size = get_u32(good, 12);
  const std::size_t area_start = good.size() - area_size;
  const std::size_t last = built_font().glyphs.size() - 1;
  auto b = good;
  put_u32(b, entry(5) + 8, area_size + 1);
  expect_refused(b, "offset past the area");
  b = good;
  ASSERT_EQ(built_font().glyphs[0].stroke_count, 0u);  // the blank
  put_u32(b, entry(0) + 8, area_size + 1);
  expect_refused(b, "offset past the area of a glyph without strokes");
  b = good;
  put_u32(b, entry(last) + 8, area_size);  // at the very end, yet with strokes to read
  expect_refused(b, "offset at the end with strokes");
  b = good;
  put_u32(b, entry(5) + 8, 0xFFFFFFFF);
  expect_refused(b, "offset wraps");
  b = good;
  put_u16(b, entry(last) + 6, 0xFFFF);
  expect_refused(b, "strokes run past the area");
  b = good;
  put_u32(b, entry(3), get_u32(good, entry(2)));
  expect_refused(b, "duplicate code point");
  b = good;
  put_u32(b, entry(last), 0x110000);
  expect_refused(b, "beyond Unicode");
  b = good;
  put_u32(b, entry(last), 0xD800);
  expect_refused(b, "surrogate");
  b = good;
  b[area_start + get_u32(good, entry(last) + 8)] = 0;
  expect_refused(b, "stroke without points");
  b = good;
  put_u16(b, entry(last) + 6, 1);  // its only stroke, so no later stroke trips over the end
  b[area_start + get_u32(good, entry(last) + 8)] = 255;
  expect_refused(b, "stroke longer than the area");
}

// Whatever a damaged file holds, a font the reader accepts only points inside itself.
TEST(DamagedFont, RandomDamageNeverEscapesTheFont) {
  const auto good = font_bytes();
  std::mt19937 random(20240601);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    auto b = good;
    const int hits = 1 + static_cast<int>(random() % 4);
    for (int h = 0; h < hits; ++h)
      b[random() % (round % 2 == 0 ? 16 + 12 * 161 : b.size())] =
          static_cast<std::uint8_t>(random());
    hfont font;
    std::string error;
    const int result = hfont_parse(b, font, error);
    ASSERT_TRUE(result == 1 || result == -1);
    if (result != 1) continue;
    ++accepted;
    for (const auto& glyph : font.glyphs) {
      ASSERT_LE(std::size_t{glyph.first_stroke} + glyph.stroke_count, font.strokes.size());
      for (const auto& stroke : hfont_glyph_strokes(font, glyph))
        ASSERT_LE(std::size_t{stroke.first_point} + stroke.point_count, font.points.size());
      ASSERT_EQ(hfont_find(font, glyph.code), &glyph);
    }
  }
  EXPECT_GT(accepted, 0);  // coordinate damage alone leaves a well-formed font
}

TEST(FontModule, AFailedLoadKeepsTheFontInUse) {
  hfont_reset();
  std::string error;
  EXPECT_EQ(hfont_load("/nonexistent/font.bin", error), -1);
  EXPECT_NE(error.find("/nonexistent/font.bin"), std::string::npos);
  EXPECT_EQ(hfont_current(), nullptr);

  ASSERT_EQ(hfont_load(NODEWREN_FONT_FILE, error), 1) << error;
  const std::string damaged = ::testing::TempDir() + "hfont_damaged.bin";
  {
    auto bytes = font_bytes();
    bytes.resize(bytes.size() / 2);
    std::ofstream(damaged, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  EXPECT_EQ(hfont_load(damaged, error), -1);
  EXPECT_NE(error.find("does not match"), std::string::npos) << error;
  ASSERT_NE(hfont_current(), nullptr);
  EXPECT_NE(hfont_find(*hfont_current(), U'Я'), nullptr);
  hfont_reset();
}

// ---- text_width ------------------------------------------------------------------------------

class TextWidth : public ::testing::Test {
 protected:
  void SetUp() override {
    hfont_reset();
    std::string error;
    ASSERT_EQ(hfont_load(NODEWREN_FONT_FILE, error), 1) << error;
  }
  void TearDown() override { hfont_reset(); }

  static float advance(char32_t c) {
    return static_cast<float>(hfont_find(*hfont_current(), c)->advance) * (1.0f / 21.0f);
  }
};

TEST_F(TextWidth, IsTheSumOfTheLettersAdvances) {
  EXPECT_EQ(text_width(""), 0.0f);
  EXPECT_EQ(text_width(nullptr), 0.0f);
  EXPECT_FLOAT_EQ(text_width("A"), 18.0f / 21.0f);
  EXPECT_EQ(text_width("AB"), text_width("A") + text_width("B"));
  EXPECT_GT(text_width("WWW"), text_width("iii"));
  EXPECT_FLOAT_EQ(text_width("10.0.0.1"), 5 * advance(U'0') + 3 * advance(U'.'));
}

TEST_F(TextWidth, MeasuresRussianByLettersNotBytes) {
  EXPECT_FLOAT_EQ(text_width("Привет"), advance(U'П') + advance(U'р') + advance(U'и') +
                                            advance(U'в') + advance(U'е') + advance(U'т'));
  EXPECT_EQ(text_width("Ш"), advance(U'Ш'));
  EXPECT_GT(text_width("Ш"), text_width("г"));
  EXPECT_EQ(text_width("ёЁ"), advance(U'ё') + advance(U'Ё'));
}

TEST_F(TextWidth, UnknownCharactersAndBrokenBytesMeasureAsA) {
  const float a = text_width("A");
  EXPECT_EQ(text_width("\u20AC"), a);              // a code point the font lacks
  EXPECT_EQ(text_width("\xF0\x9F\x98\x80"), a);  // four-byte form, no glyph
  EXPECT_EQ(text_width("\xFF"), a);              // never valid in UTF-8
  EXPECT_EQ(text_width("\x80"), a);              // stray continuation
  EXPECT_EQ(text_width("x\xD0"), text_width("x") + a);   // cut short at the end
  EXPECT_EQ(text_width("\xD0x"), a + text_width("x"));   // cut short by an ASCII letter
  EXPECT_EQ(text_width("\xC0\xAF"), 2 * a);               // overlong '/'
  EXPECT_EQ(text_width("\xED\xA0\x80"), 3 * a);           // a surrogate
  EXPECT_EQ(text_width("\xF4\x90\x80\x80"), 4 * a);       // beyond U+10FFFF
  EXPECT_EQ(text_width("\x7F"), a);                       // a control character
}

TEST_F(TextWidth, ScalesWithTheTextSize) {
  const float unit = text_width("Host-7");
  hfont_set_text_size(0.03f, 0.03f);
  EXPECT_NEAR(text_width("Host-7"), unit * 0.03f, 1e-6f);
  hfont_set_text_size(0.03f, 0.5f);  // only the width counts across
  EXPECT_NEAR(text_width("Host-7"), unit * 0.03f, 1e-6f);
}

TEST_F(TextWidth, WithoutAFontEveryCharacterMeasuresTheFallback) {
  hfont_reset();
  hfont_set_text_size(0.03f, 0.03f);
  const float each = TEXT_WIDTH_FALLBACK_ADVANCE * 0.03f / TEXT_WIDTH_FALLBACK_EM;
  EXPECT_FLOAT_EQ(text_width("iW"), 2 * each);
  EXPECT_FLOAT_EQ(text_width("Ш\xFF"), 2 * each);
  EXPECT_EQ(text_width(""), 0.0f);
}

// ---- The .jhf reader -------------------------------------------------------------------------

TEST(JhfReader, JoinsWrappedGlyphsAndRefusesBrokenOnes) {
  std::vector<hershey::glyph> glyphs;
  std::string error;
  std::istringstream wrapped(
      "  700 18H\\QFNGLJKOKRLWNZQ[S[VZXWY\r\nRYOXJVGSFQF\n"  // one glyph over two lines
      "  710  6MWRYQZ RZ[SZ\n");
  ASSERT_TRUE(hershey::read_jhf(wrapped, glyphs, error)) << error;
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].number, 700);
  EXPECT_EQ(glyphs[0].left, -10);
  EXPECT_EQ(glyphs[0].right, 10);
  ASSERT_EQ(glyphs[0].strokes.size(), 1u);
  EXPECT_EQ(glyphs[0].strokes[0].size(), 17u);
  ASSERT_EQ(glyphs[1].strokes.size(), 2u);  // " R" lifts the pen
  EXPECT_EQ(glyphs[1].strokes[1].front().x, 8);
  EXPECT_EQ(glyphs[1].strokes[1].front().y, 9);

  for (const char* broken : {"  700 18H\\QFNG\n", "  7x0  1JZ\n", "  700  0\n", "  700  2ZJRR\n",
                             "  700  1JZRR\n"}) {
    std::istringstream in(broken);
    EXPECT_FALSE(hershey::read_jhf(in, glyphs, error)) << broken;
    EXPECT_NE(error.find("line "), std::string::npos);
  }
}

}  // namespace
}  // namespace nw

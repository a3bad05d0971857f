// Reading font.bin. The file comes from the build, but a damaged copy in the working directory
// must be refused, not trusted: every number is checked against the bytes actually there.
#include "core/hfont.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/file_read.h"
#include "core/utf8.h"

namespace nw {
namespace {

constexpr char32_t ASCII_END = 0x80;
constexpr char32_t CYRILLIC_FIRST = 0x400;
constexpr char32_t CYRILLIC_END = 0x460;
constexpr char32_t LAST_CODE_POINT = 0x10FFFF;
// A font.bin of ours is about 13 KB; anything far larger is not one.
constexpr std::uintmax_t MAX_FILE_SIZE = 4u << 20;

std::uint16_t u16_at(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t u32_at(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::int8_t s8(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

int refuse(hfont& font, std::string& error_text, std::string why) {
  font = hfont{};
  error_text = std::move(why);
  return -1;
}

std::string glyph_name(std::size_t index, char32_t code) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "glyph %zu (U+%04X)", index,
                static_cast<unsigned>(code));
  return buffer;
}

// Module state: the program's font and the current text size.
hfont g_font;
bool g_loaded = false;
std::atomic<float> g_text_width{1.0f};
std::atomic<float> g_text_height{1.0f};

}  // namespace

int hfont_parse(std::span<const std::uint8_t> bytes, hfont& font, std::string& error_text) {
  font = hfont{};
  if (bytes.size() < HFONT_HEADER_SIZE)
    return refuse(font, error_text, "shorter than its header");
  if (std::memcmp(bytes.data(), HFONT_MAGIC, sizeof HFONT_MAGIC) != 0)
    return refuse(font, error_text, "not a Nodewren stroke font (bad magic)");
  if (const auto version = u16_at(bytes, 4); version != HFONT_VERSION)
    return refuse(font, error_text, "unsupported version " + std::to_string(version));

  const std::size_t count = u16_at(bytes, 6);
  if (count == 0 || count > HFONT_MAX_GLYPHS)
    return refuse(font, error_text, "glyph count " + std::to_string(count) + " out of range");
  font.em = bytes[8];
  font.ascent = s8(bytes[9]);
  font.descent = s8(bytes[10]);
  if (font.em == 0) return refuse(font, error_text, "em of 0");
  const std::size_t area_size = u32_at(bytes, 12);
  const std::size_t area_start = HFONT_HEADER_SIZE + count * HFONT_DIRECTORY_ENTRY_SIZE;
  // Both terms are bounded by the checks above and the span's size, so the sum cannot wrap.
  if (area_start > bytes.size() || bytes.size() - area_start != area_size)
    return refuse(font, error_text,
                  "size " + std::to_string(bytes.size()) + " does not match its " +
                      std::to_string(count) + " glyphs and " + std::to_string(area_size) +
                      "-byte stroke area");
  const auto area = bytes.subspan(area_start);

  font.glyphs.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = HFONT_HEADER_SIZE + i * HFONT_DIRECTORY_ENTRY_SIZE;
    const char32_t code = u32_at(bytes, entry);
    const std::uint32_t stroke_count = u16_at(bytes, entry + 6);
    std::size_t at = u32_at(bytes, entry + 8);
    if (code > LAST_CODE_POINT || (code >= 0xD800 && code <= 0xDFFF))
      return refuse(font, error_text, glyph_name(i, code) + ": not a Unicode scalar value");
    if (i > 0 && code <= font.glyphs.back().code)
      return refuse(font, error_text, glyph_name(i, code) + ": code points out of order");
    if (at > area.size())
      return refuse(font, error_text, glyph_name(i, code) + ": strokes beyond the stroke area");

    hfont_glyph glyph;
    glyph.code = code;
    glyph.advance = bytes[entry + 4];
    glyph.first_stroke = static_cast<std::uint32_t>(font.strokes.size());
    glyph.stroke_count = stroke_count;
    for (std::uint32_t s = 0; s < stroke_count; ++s) {
      if (at >= area.size())
        return refuse(font, error_text, glyph_name(i, code) + ": stroke " + std::to_string(s) +
                                            " beyond the stroke area");
      const std::size_t points = area[at++];
      if (points == 0)
        return refuse(font, error_text,
                      glyph_name(i, code) + ": stroke " + std::to_string(s) + " has no points");
      if (area.size() - at < points * 2)
        return refuse(font, error_text, glyph_name(i, code) + ": stroke " + std::to_string(s) +
                                            " runs past the stroke area");
      font.strokes.push_back({static_cast<std::uint32_t>(font.points.size()),
                              static_cast<std::uint32_t>(points)});
      for (std::size_t p = 0; p < points; ++p, at += 2)
        font.points.push_back({s8(area[at]), s8(area[at + 1])});
    }
    font.glyphs.push_back(glyph);
  }

  font.ascii_index.assign(ASCII_END, -1);
  font.cyrillic_index.assign(CYRILLIC_END - CYRILLIC_FIRST, -1);
  for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
    const char32_t code = font.glyphs[i].code;
    const auto index = static_cast<std::int16_t>(i);  // at most HFONT_MAX_GLYPHS
    if (code < ASCII_END) font.ascii_index[code] = index;
    if (code >= CYRILLIC_FIRST && code < CYRILLIC_END)
      font.cyrillic_index[code - CYRILLIC_FIRST] = index;
  }
  error_text.clear();
  return 1;
}

const hfont_glyph* hfont_find(const hfont& font, char32_t code) {
  std::int16_t index = -1;
  if (code < ASCII_END && !font.ascii_index.empty()) {
    index = font.ascii_index[code];
  } else if (code >= CYRILLIC_FIRST && code < CYRILLIC_END && !font.cyrillic_index.empty()) {
    index = font.cyrillic_index[code - CYRILLIC_FIRST];
  } else {
    const auto it = std::lower_bound(
        font.glyphs.begin(), font.glyphs.end(), code,
        [](const hfont_glyph& glyph, char32_t wanted) { return glyph.code < wanted; });
    return it != font.glyphs.end() && it->code == code ? &*it : nullptr;
  }
  return index < 0 ? nullptr : &font.glyphs[static_cast<std::size_t>(index)];
}

const hfont_glyph* hfont_next_glyph(const hfont* font, std::string_view& text) {
  char32_t code = 0;
  const std::size_t length = utf8_decode(text, code);
  text.remove_prefix(length != 0 ? length : std::min<std::size_t>(1, text.size()));
  return length != 0 && font != nullptr ? hfont_find(*font, code) : nullptr;
}

std::span<const hfont_stroke> hfont_glyph_strokes(const hfont& font, const hfont_glyph& glyph) {
  return std::span(font.strokes).subspan(glyph.first_stroke, glyph.stroke_count);
}

std::span<const hfont_point> hfont_stroke_points(const hfont& font, const hfont_stroke& stroke) {
  return std::span(font.points).subspan(stroke.first_point, stroke.point_count);
}

int hfont_load(const std::string& path, std::string& error_text) {
  std::string text;
  switch (file_read_all(path, &text, MAX_FILE_SIZE)) {
    case file_read_result::done: break;
    case file_read_result::cannot_open: error_text = path + ": cannot be opened"; return -1;
    case file_read_result::too_large: error_text = path + ": not a font file (size)"; return -1;
    case file_read_result::read_failed: error_text = path + ": read failed"; return -1;
  }
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  hfont font;
  if (hfont_parse(bytes, font, error_text) != 1) {
    error_text = path + ": " + error_text;
    return -1;
  }
  g_font = std::move(font);
  g_loaded = true;
  return 1;
}

void hfont_reset() {
  g_font = hfont{};
  g_loaded = false;
  hfont_set_text_size(1.0f, 1.0f);
}

const hfont* hfont_current() { return g_loaded ? &g_font : nullptr; }

void hfont_set_text_size(float width, float height) {
  g_text_width.store(width, std::memory_order_relaxed);
  g_text_height.store(height, std::memory_order_relaxed);
}

float hfont_text_width_size() { return g_text_width.load(std::memory_order_relaxed); }
float hfont_text_height_size() { return g_text_height.load(std::memory_order_relaxed); }

}  // namespace nw

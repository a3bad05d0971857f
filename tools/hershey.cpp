#include "tools/hershey.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/hfont.h"

namespace nw::hershey {
namespace {

constexpr int GLYPHS_PER_FILE = 96;
constexpr char ORIGIN = 'R';

bool parse_number(const std::string& field, int& value) {
  value = 0;
  bool any = false;
  for (const char c : field) {
    if (c == ' ' && !any) continue;
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    any = true;
  }
  return any;
}

void put_u16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

bool fits_s8(int v) {
  return v >= std::numeric_limits<std::int8_t>::min() &&
         v <= std::numeric_limits<std::int8_t>::max();
}

std::string code_text(char32_t code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace

bool read_jhf(std::istream& in, std::vector<glyph>& glyphs, std::string& error_text) {
  glyphs.clear();
  std::string line;
  int line_number = 0;
  auto fail = [&](const std::string& why) {
    error_text = "line " + std::to_string(line_number) + ": " + why;
    return false;
  };
  auto next_line = [&]() {
    if (!std::getline(in, line)) return false;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  while (next_line()) {
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    if (line.size() < 10) return fail("too short for a glyph");
    glyph g;
    int vertices = 0;
    if (!parse_number(line.substr(0, 5), g.number)) return fail("bad glyph number");
    if (!parse_number(line.substr(5, 3), vertices) || vertices < 1)
      return fail("bad vertex count");
    std::string pairs = line.substr(8);
    const auto wanted = static_cast<std::size_t>(vertices) * 2;
    while (pairs.size() < wanted) {
      if (!next_line()) return fail("file ends inside a glyph");
      pairs += line;
    }
    if (pairs.size() != wanted) return fail("more pairs than the vertex count says");
    for (const char c : pairs)
      if (c < ' ' || c > '~') return fail("character outside the coordinate range");

    g.left = pairs[0] - ORIGIN;
    g.right = pairs[1] - ORIGIN;
    if (g.right < g.left) return fail("right bound left of the left bound");
    stroke current;
    for (std::size_t i = 2; i < wanted; i += 2) {
      if (pairs[i] == ' ' && pairs[i + 1] == ORIGIN) {
        if (!current.empty()) g.strokes.push_back(std::move(current));
        current.clear();
      } else {
        current.push_back({pairs[i] - ORIGIN, pairs[i + 1] - ORIGIN});
      }
    }
    if (!current.empty()) g.strokes.push_back(std::move(current));
    glyphs.push_back(std::move(g));
  }
  if (in.bad()) return fail("read error");
  return true;
}

const glyph* slot(const std::vector<glyph>& glyphs, char c) {
  const int index = c - ' ';
  if (glyphs.size() != GLYPHS_PER_FILE || index < 0 || index >= GLYPHS_PER_FILE) return nullptr;
  return &glyphs[static_cast<std::size_t>(index)];
}

font_glyph to_font_glyph(char32_t code, const glyph& g) {
  font_glyph f;
  f.code = code;
  f.advance = g.right - g.left;
  for (const auto& s : g.strokes) {
    stroke moved;
    for (const auto& p : s) moved.push_back({p.x - g.left, BASELINE - p.y});
    f.strokes.push_back(std::move(moved));
  }
  return f;
}

std::vector<std::uint8_t> encode_font(std::vector<font_glyph> glyphs, std::string& error_text) {
  std::sort(glyphs.begin(), glyphs.end(),
            [](const font_glyph& a, const font_glyph& b) { return a.code < b.code; });
  if (glyphs.empty() || glyphs.size() > HFONT_MAX_GLYPHS) {
    error_text = "glyph count " + std::to_string(glyphs.size()) + " out of range";
    return {};
  }
  std::vector<std::uint8_t> directory;
  std::vector<std::uint8_t> area;
  int ascent = 0;
  int descent = 0;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const auto& g = glyphs[i];
    if (i > 0 && g.code == glyphs[i - 1].code) {
      error_text = code_text(g.code) + " given twice";
      return {};
    }
    if (g.advance < 0 || g.advance > 255 || g.strokes.size() > 0xFFFF) {
      error_text = code_text(g.code) + ": advance or stroke count does not fit";
      return {};
    }
    put_u32(directory, static_cast<std::uint32_t>(g.code));
    directory.push_back(static_cast<std::uint8_t>(g.advance));
    directory.push_back(0);
    put_u16(directory, static_cast<unsigned>(g.strokes.size()));
    put_u32(directory, static_cast<std::uint32_t>(area.size()));
    for (const auto& s : g.strokes) {
      if (s.empty() || s.size() > 255) {
        error_text = code_text(g.code) + ": a stroke of " + std::to_string(s.size()) + " points";
        return {};
      }
      area.push_back(static_cast<std::uint8_t>(s.size()));
      for (const auto& p : s) {
        if (!fits_s8(p.x) || !fits_s8(p.y)) {
          error_text = code_text(g.code) + ": a coordinate does not fit in a byte";
          return {};
        }
        area.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(p.x)));
        area.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(p.y)));
        ascent = std::max(ascent, p.y);
        descent = std::min(descent, p.y);
      }
    }
  }
  std::vector<std::uint8_t> out(HFONT_MAGIC, HFONT_MAGIC + sizeof HFONT_MAGIC);
  put_u16(out, HFONT_VERSION);
  put_u16(out, static_cast<unsigned>(glyphs.size()));
  out.push_back(static_cast<std::uint8_t>(BASELINE - CAPITAL_TOP));
  out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(ascent)));
  out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(descent)));
  out.push_back(0);
  put_u32(out, static_cast<std::uint32_t>(area.size()));
  out.insert(out.end(), directory.begin(), directory.end());
  out.insert(out.end(), area.begin(), area.end());
  return out;
}

}  // namespace nw::hershey

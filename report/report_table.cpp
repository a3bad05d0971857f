// Column formatting and row colours of the reports' tables.
#include "report/report_table.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "core/utf8.h"

namespace nw {

std::string report_printf(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<std::size_t>(length));
    (void)std::vsnprintf(out.data(), out.size() + 1, format, again);
  }
  va_end(again);
  return out;
}

namespace {

// At most `most` characters of text, padded with blanks to `width`. A byte that starts no
// well-formed character counts as one character (the writer shows it as U+FFFD), so broken
// text keeps its column too.
std::string column(std::string_view text, std::size_t width, std::size_t most) {
  std::string out;
  std::size_t characters = 0;
  while (!text.empty() && characters < most) {
    char32_t code = 0;
    std::size_t length = utf8_decode(text, code);
    if (length == 0) length = 1;
    out.append(text.substr(0, length));
    text.remove_prefix(length);
    ++characters;
  }
  if (characters < width) out.append(width - characters, ' ');
  return out;
}

}  // namespace

std::string report_column(std::string_view text, std::size_t width) { return column(text, width, width); }

std::string report_pad(std::string_view text, std::size_t width) { return column(text, width, SIZE_MAX); }

report_markup report_row_colours::next() {
  const bool dark = dark_;
  dark_ = !dark_;
  return dark ? report_markup("<TR BGCOLOR=#D8D8D8>") : report_markup("<TR BGCOLOR=#F0F0F0>");
}

}  // namespace nw

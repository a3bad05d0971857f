// Text columns of the headless run's long tables, written without printf: a large segment's
// tables run to hundreds of thousands of lines.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nw {

// printf's "%-*s": the text, then spaces up to width.
inline void append_left(std::string& line, std::string_view text, std::size_t width) {
  line += text;
  if (text.size() < width) line.append(width - text.size(), ' ');
}

// printf's "%*" PRIu64.
inline void append_right(std::string& line, std::uint64_t value, std::size_t width) {
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const auto length = static_cast<std::size_t>(end - digits);
  if (length < width) line.append(width - length, ' ');
  line.append(digits, length);
}

}  // namespace nw

// The three formats every report is written in at once, and the texts that cross into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nw {

// The codes index the three files of a report set.
enum report_format : std::int32_t { REPORT_TXT = 0, REPORT_RTF = 1, REPORT_HTML = 2 };
inline constexpr std::size_t REPORT_FORMAT_COUNT = 3;
inline constexpr report_format REPORT_FORMATS[REPORT_FORMAT_COUNT] = {REPORT_TXT, REPORT_RTF,
                                                                      REPORT_HTML};

// The file name extension of a format, without the dot.
[[nodiscard]] constexpr const char* report_ext(report_format format) {
  constexpr const char* extensions[REPORT_FORMAT_COUNT] = {"txt", "rtf", "html"};
  return extensions[format];
}

// Any text: host names, alarm strings and protocol names from the network or the user, and the
// string table's own texts. It is always escaped for the file it lands in, so it can never
// turn into markup. A null pointer (a string-table number the table lacks) is empty text.
class report_text {
 public:
  report_text(const char* text) : view_(text != nullptr ? text : "") {}
  report_text(std::string_view text) : view_(text) {}
  report_text(const std::string& text) : view_(text) {}
  [[nodiscard]] std::string_view view() const { return view_; }

 private:
  std::string_view view_;
};

// The report's own markup, written as it stands. Only a string literal can become markup, so
// nothing that arrives while the program runs can pass through unescaped.
class report_markup {
 public:
  template <std::size_t N>
  consteval report_markup(const char (&literal)[N]) : view_(literal, N - 1) {}
  [[nodiscard]] constexpr std::string_view view() const { return view_; }

 private:
  std::string_view view_;
};

}  // namespace nw

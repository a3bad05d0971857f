// What the reports' tables share: numbers and texts formatted into fixed columns, and the
// alternating colours of HTML table rows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "report/report_format.h"

namespace nw {

// printf into a string of any length.
[[nodiscard]] std::string report_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The text cut to width characters and padded with blanks to width: "%-W.Ws" counted in
// characters, so that a name in Cyrillic neither loses its column nor is cut inside a letter.
[[nodiscard]] std::string report_column(std::string_view text, std::size_t width);
// The text padded with blanks to width characters and never cut: "%-Ws".
[[nodiscard]] std::string report_pad(std::string_view text, std::size_t width);

// The row starts of an HTML table, light first, then alternating.
class report_row_colours {
 public:
  [[nodiscard]] report_markup next();

 private:
  bool dark_ = false;
};

}  // namespace nw

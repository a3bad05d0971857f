// Turning any text into text of one report format, whatever bytes it holds.
#pragma once

#include <string>
#include <string_view>

#include "report/report_format.h"

namespace nw {

// Appends text to out as the format needs it, so that it reads back as the same characters and
// never as markup. Every format gets valid UTF-8 (RTF gets pure ASCII): each byte that does not
// start a well-formed UTF-8 character, and each NUL, becomes U+FFFD.
//   TXT:  the characters as they are.
//   RTF:  "\", "{" and "}" behind a backslash; every character beyond ASCII as "\uN\'3f" with
//         N its UTF-16 unit as a signed 16-bit number and \'3f ("?") the fallback for readers
//         without Unicode, a character beyond U+FFFF as its two surrogates.
//   HTML: "<", ">", "&" and '"' as character references; the rest as UTF-8.
void report_escape_append(std::string& out, std::string_view text, report_format format);

}  // namespace nw

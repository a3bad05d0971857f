// Escaping text for plain text, RTF and HTML.
#include "report/report_escape.h"

#include <cstdint>

#include "core/utf8.h"

namespace nw {
namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;
constexpr std::string_view REPLACEMENT_UTF8 = "\xEF\xBF\xBD";

// One character: its code point and its well-formed UTF-8 bytes (REPLACEMENT_UTF8 for a byte
// that was not).
using append_fn = void (*)(std::string& out, char32_t code, std::string_view bytes);

void append_txt(std::string& out, char32_t, std::string_view bytes) { out += bytes; }

// RTF readers take \uN as a signed 16-bit UTF-16 unit and skip one fallback character after it
// (the default \uc1). The fallback "?" is written as \'3f: some readers take a plain character
// after the number as part of the control word and drop the text up to the next blank.
void append_rtf_unit(std::string& out, std::uint32_t unit) {
  out += "\\u";
  out += std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
  out += "\\'3f";
}

void append_rtf(std::string& out, char32_t code, std::string_view bytes) {
  if (code < 0x80) {
    if (code == '\\' || code == '{' || code == '}') out += '\\';
    out += bytes;
  } else if (code <= 0xFFFF) {
    append_rtf_unit(out, code);
  } else {
    const std::uint32_t above = code - 0x10000;
    append_rtf_unit(out, 0xD800 + (above >> 10));
    append_rtf_unit(out, 0xDC00 + (above & 0x3FF));
  }
}

void append_html(std::string& out, char32_t code, std::string_view bytes) {
  switch (code) {
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '&': out += "&amp;"; break;
    case '"': out += "&quot;"; break;
    default: out += bytes;
  }
}

constexpr append_fn APPEND[REPORT_FORMAT_COUNT] = {append_txt, append_rtf, append_html};

}  // namespace

void report_escape_append(std::string& out, std::string_view text, report_format format) {
  const append_fn append = APPEND[format];
  while (!text.empty()) {
    char32_t code = 0;
    std::size_t length = utf8_decode(text, code);
    if (length == 0 || code == 0) {
      append(out, REPLACEMENT, REPLACEMENT_UTF8);
      length = 1;
    } else {
      append(out, code, text.substr(0, length));
    }
    text.remove_prefix(length);
  }
}

}  // namespace nw

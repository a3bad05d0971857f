// Reading UTF-8 one character at a time, for text that may come from the network.
#pragma once

#include <cstddef>
#include <string_view>

namespace nw {

// The code point of the character that starts text and its length in bytes, or length 0 when
// text does not start with a well-formed character: empty, a stray continuation byte, an
// overlong form, a surrogate, beyond U+10FFFF, or cut short. Never reads past text's end.
[[nodiscard]] std::size_t utf8_decode(std::string_view text, char32_t& code);

}  // namespace nw

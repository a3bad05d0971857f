// How the host-name cache reads a host reference's text: its kind, its IPv4 value and the text
// hash of its name tables.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nw {

inline constexpr int HOSTC_TEXT_HW = 0;
inline constexpr int HOSTC_TEXT_IPV4 = 1;
inline constexpr int HOSTC_TEXT_NAME = 3;
inline constexpr int HOSTC_TEXT_INVALID = -1;

// h = (h ^ c) << 1 after odd-numbered characters and h ^ c after even-numbered ones, each c
// sign-extended from a signed octet, in 32-bit arithmetic.
[[nodiscard]] std::uint32_t hostc_text_hash(const std::string& text);

// HOSTC_TEXT_HW for six ':'-separated fields of hexadecimal digits, each at most 0xff; a text
// with ':' that is not that is invalid. Else HOSTC_TEXT_IPV4 when the classic address
// conversion reads it (so "10.1" and "0x7f.1" count, "255.255.255.255" does not: that value
// means "no address" there). Else HOSTC_TEXT_NAME when every '.'-separated label is non-empty
// and made of letters, digits, '-' and '_'; else invalid.
[[nodiscard]] int hostc_text_kind(std::string_view text);

// The octets (network order) of a text that hostc_text_kind classes HOSTC_TEXT_IPV4, read by the
// same conversion that classed it; none for any other text.
[[nodiscard]] std::optional<std::array<std::uint8_t, 4>> hostc_text_ipv4(std::string_view text);

}  // namespace nw

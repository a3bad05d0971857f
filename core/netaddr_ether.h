// Ethernet hardware addresses: six octets, written 00:A0:C9:14:C8:29. Token Ring addresses are
// the same 48-bit form and use these operations too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace nw {

inline constexpr std::uint32_t NETADDR_HW_LENGTH = 6;

[[nodiscard]] std::uint32_t netaddr_ether_hash(const std::uint8_t* octets);
void netaddr_ether_copy(const std::uint8_t* from, std::uint8_t* to);
void netaddr_ether_clear(std::uint8_t* octets);
[[nodiscard]] int netaddr_ether_compare(const std::uint8_t* a, const std::uint8_t* b);

// Upper-case hexadecimal pairs joined by ':', always 17 characters.
[[nodiscard]] std::string netaddr_ether_to_text_new(const std::uint8_t* octets);
int netaddr_ether_to_text(const std::uint8_t* octets, std::span<char> buffer);

// The first six fields of text, split at ".-: \t\n", each read as a base-16 number (a sign and a
// 0x are allowed; the octet is the number's low 8 bits). On success the octets are stored and
// the result is the offset just past the delimiter that ended the sixth field, where a line of
// an address file goes on with its name; with fewer than six fields the octets are left alone
// and the result is std::string_view::npos.
[[nodiscard]] std::size_t netaddr_ether_scan(std::string_view text, std::uint8_t* octets);

// As netaddr_ether_scan, but fewer than six fields give the all-zero address.
void netaddr_ether_parse(std::uint8_t* octets, std::string_view text);

// 1 when the Ethernet family was registered, 0 when not.
[[nodiscard]] int netaddr_ether_register();

}  // namespace nw

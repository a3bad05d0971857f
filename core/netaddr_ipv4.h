// IPv4 addresses: four octets, written 192.168.1.10.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace nw {

inline constexpr std::uint32_t NETADDR_IPV4_LENGTH = 4;

[[nodiscard]] std::uint32_t netaddr_ipv4_hash(const std::uint8_t* octets);
void netaddr_ipv4_copy(const std::uint8_t* from, std::uint8_t* to);
void netaddr_ipv4_clear(std::uint8_t* octets);
[[nodiscard]] int netaddr_ipv4_compare(const std::uint8_t* a, const std::uint8_t* b);

// Decimal octets without leading zeros joined by '.', 7 to 15 characters.
[[nodiscard]] std::string netaddr_ipv4_to_text_new(const std::uint8_t* octets);
int netaddr_ipv4_to_text(const std::uint8_t* octets, std::span<char> buffer);

// Reads "%d.%d.%d.%d" as the C formatted input does; each octet is the low 8 bits of its number
// with no range check (300.1.1.1 gives 44.1.1.1), and octets that could not be read are 0.
void netaddr_ipv4_parse(std::uint8_t* octets, std::string_view text);

// 1 when the IPv4 family was registered, 0 when not.
[[nodiscard]] int netaddr_ipv4_register();

}  // namespace nw

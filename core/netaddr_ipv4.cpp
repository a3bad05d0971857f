// IPv4 addresses: hash, comparison, dotted-decimal text form and its parser.
#include "core/netaddr_ipv4.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "core/netaddr.h"

namespace nw {
namespace {

// One "%d" conversion from pos: white space, a sign, then decimal digits. False when no digit
// follows. Arithmetic modulo 256 keeps the low 8 bits of the number however long it is (the C
// conversion's overflow is undefined; its low bits are what the address took).
bool scan_decimal(std::string_view text, std::size_t& pos, std::uint8_t& octet) {
  std::size_t i = pos;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const std::size_t digits = i;
  unsigned value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFFU;
  }
  if (i == digits) return false;
  pos = i;
  octet = static_cast<std::uint8_t>(negative ? (0x100U - value) & 0xFFU : value);
  return true;
}

constexpr netaddr_type IPV4_ROW{NETADDR_IPV4,      NETADDR_IPV4_LENGTH,  netaddr_ipv4_hash,
                                netaddr_ipv4_copy, netaddr_ipv4_clear,   netaddr_ipv4_compare,
                                netaddr_ipv4_to_text_new, netaddr_ipv4_to_text, netaddr_ipv4_parse};

}  // namespace

std::uint32_t netaddr_ipv4_hash(const std::uint8_t* octets) {
  return netaddr_octets_hash(octets, NETADDR_IPV4_LENGTH);
}

void netaddr_ipv4_copy(const std::uint8_t* from, std::uint8_t* to) {
  std::copy_n(from, NETADDR_IPV4_LENGTH, to);
}

void netaddr_ipv4_clear(std::uint8_t* octets) { std::fill_n(octets, NETADDR_IPV4_LENGTH, std::uint8_t{0}); }

int netaddr_ipv4_compare(const std::uint8_t* a, const std::uint8_t* b) {
  return netaddr_octets_compare(a, b, NETADDR_IPV4_LENGTH);
}

std::string netaddr_ipv4_to_text_new(const std::uint8_t* octets) {
  std::array<char, NETADDR_IPV4_TEXT_SIZE> text{};
  netaddr_ipv4_to_text(octets, text);
  return std::string(text.data());
}

int netaddr_ipv4_to_text(const std::uint8_t* octets, std::span<char> buffer) {
  if (buffer.size() < NETADDR_IPV4_TEXT_SIZE) return 0;
  char* out = buffer.data();
  char* const last = buffer.data() + NETADDR_IPV4_TEXT_SIZE - 1;  // room kept for the terminator
  for (std::size_t i = 0; i < NETADDR_IPV4_LENGTH; ++i) {
    if (i > 0) *out++ = '.';
    out = std::to_chars(out, last, octets[i]).ptr;  // "255.255.255.255" fills exactly 15
  }
  *out = '\0';
  return 1;
}

void netaddr_ipv4_parse(std::uint8_t* octets, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  netaddr_ipv4_clear(octets);
  std::size_t pos = 0;
  for (std::size_t i = 0; i < NETADDR_IPV4_LENGTH; ++i) {
    // A literal '.' of the format must match the next character exactly.
    if (i > 0 && (pos >= text.size() || text[pos++] != '.')) return;
    if (!scan_decimal(text, pos, octets[i])) return;
  }
}

int netaddr_ipv4_register() { return netaddr_register(IPV4_ROW) != nullptr ? 1 : 0; }

}  // namespace nw

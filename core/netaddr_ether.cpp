// Ethernet hardware addresses: hash, comparison, text form and the tolerant text parser.
#include "core/netaddr_ether.h"

#include <algorithm>
#include <array>

#include "core/netaddr.h"

namespace nw {
namespace {

// The separators vendors and tools write between octets: 00:a0:.., 00-A0-.., 0.a0.c9...
constexpr std::string_view FIELD_DELIMITERS = ".-: \t\n";

// The next field from pos as strtok finds it: leading delimiters are skipped, the field ends at
// the next delimiter and pos moves past that delimiter. Fields are never empty, so an empty
// result means there is none.
std::string_view next_field(std::string_view text, std::size_t& pos) {
  const std::size_t start = text.find_first_not_of(FIELD_DELIMITERS, pos);
  if (start == std::string_view::npos) {
    pos = text.size();
    return {};
  }
  const std::size_t end = text.find_first_of(FIELD_DELIMITERS, start);
  pos = end == std::string_view::npos ? text.size() : end + 1;
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

// The white space strtol skips; blanks, tabs and newlines never reach a field, the rest may.
bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A field read as strtol reads base 16: white space, a '+' (a '-' never reaches a field, it
// separates them), "0x" when a digit follows it, then digits up to the first other character;
// no digits read as 0. Arithmetic modulo 256 keeps the low 8 bits of the number written however
// many digits it has, where strtol would saturate.
std::uint8_t hex_octet(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && is_c_space(field[i])) ++i;
  if (i < field.size() && field[i] == '+') ++i;
  if (i + 2 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X') &&
      hex_digit(field[i + 2]) >= 0) {
    i += 2;
  }
  unsigned value = 0;
  for (; i < field.size() && hex_digit(field[i]) >= 0; ++i) {
    value = (value * 16 + static_cast<unsigned>(hex_digit(field[i]))) & 0xFFU;
  }
  return static_cast<std::uint8_t>(value);
}

constexpr std::array<char, 16> UPPER_HEX = {'0', '1', '2', '3', '4', '5', '6', '7',
                                            '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

constexpr netaddr_type ETHER_ROW{NETADDR_ETHER,     NETADDR_HW_LENGTH,     netaddr_ether_hash,
                                 netaddr_ether_copy, netaddr_ether_clear, netaddr_ether_compare,
                                 netaddr_ether_to_text_new, netaddr_ether_to_text, netaddr_ether_parse};

}  // namespace

std::uint32_t netaddr_ether_hash(const std::uint8_t* octets) {
  return netaddr_octets_hash(octets, NETADDR_HW_LENGTH);
}

void netaddr_ether_copy(const std::uint8_t* from, std::uint8_t* to) {
  std::copy_n(from, NETADDR_HW_LENGTH, to);
}

void netaddr_ether_clear(std::uint8_t* octets) { std::fill_n(octets, NETADDR_HW_LENGTH, std::uint8_t{0}); }

int netaddr_ether_compare(const std::uint8_t* a, const std::uint8_t* b) {
  return netaddr_octets_compare(a, b, NETADDR_HW_LENGTH);
}

std::string netaddr_ether_to_text_new(const std::uint8_t* octets) {
  std::array<char, NETADDR_HW_TEXT_SIZE> text{};
  netaddr_ether_to_text(octets, text);
  return std::string(text.data());
}

int netaddr_ether_to_text(const std::uint8_t* octets, std::span<char> buffer) {
  if (buffer.size() < NETADDR_HW_TEXT_SIZE) return 0;
  for (std::size_t i = 0; i < NETADDR_HW_LENGTH; ++i) {
    buffer[3 * i] = UPPER_HEX[octets[i] >> 4];
    buffer[3 * i + 1] = UPPER_HEX[octets[i] & 0x0F];
    buffer[3 * i + 2] = i + 1 < NETADDR_HW_LENGTH ? ':' : '\0';
  }
  return 1;
}

std::size_t netaddr_ether_scan(std::string_view text, std::uint8_t* octets) {
  text = text.substr(0, text.find('\0'));
  std::array<std::uint8_t, NETADDR_HW_LENGTH> read{};
  std::size_t pos = 0;
  for (auto& octet : read) {
    const std::string_view field = next_field(text, pos);
    if (field.empty()) return std::string_view::npos;
    octet = hex_octet(field);
  }
  std::copy(read.begin(), read.end(), octets);
  return pos;
}

void netaddr_ether_parse(std::uint8_t* octets, std::string_view text) {
  if (netaddr_ether_scan(text, octets) == std::string_view::npos) netaddr_ether_clear(octets);
}

int netaddr_ether_register() { return netaddr_register(ETHER_ROW) != nullptr ? 1 : 0; }

}  // namespace nw

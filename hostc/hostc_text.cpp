// Host reference texts: hardware address, dotted address or host name.
#include "hostc/hostc_text.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace nw {

namespace {

bool is_hex_octet(std::string_view field) {
  unsigned value = 0;
  const char* end = field.data() + field.size();
  const auto [ptr, ec] = std::from_chars(field.data(), end, value, 16);
  return !field.empty() && ec == std::errc() && ptr == end && value <= 0xff;
}

bool is_hw_text(std::string_view text) {
  int fields = 0;
  for (std::size_t start = 0;; ++fields) {
    const std::size_t colon = text.find(':', start);
    if (!is_hex_octet(text.substr(start, colon - start))) return false;
    if (colon == std::string_view::npos) return fields + 1 == 6;
    start = colon + 1;
  }
}

bool is_label_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

bool is_label(std::string_view label) { return !label.empty() && std::all_of(label.begin(), label.end(), is_label_char); }

bool is_name(std::string_view text) {
  for (std::size_t start = 0;;) {
    const std::size_t dot = text.find('.', start);
    if (!is_label(text.substr(start, dot - start))) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

// inet_addr reads what inet_aton reads (octal, hexadecimal, one to four parts, trailing blanks
// and whatever follows them) and gives INADDR_NONE for a text it rejects, so the one valid
// address 255.255.255.255 is rejected too. A text with a NUL in it is no C text at all.
std::optional<in_addr_t> classic_address(std::string_view text) {
  if (text.find('\0') != std::string_view::npos || text.find(':') != std::string_view::npos) return std::nullopt;
  const in_addr_t value = inet_addr(std::string(text).c_str());
  if (value == INADDR_NONE) return std::nullopt;
  return value;
}

}  // namespace

std::uint32_t hostc_text_hash(const std::string& text) {
  std::uint32_t h = 0;
  bool odd = true;
  for (char c : text) {
    h ^= static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    if (odd) h <<= 1;
    odd = !odd;
  }
  return h;
}

int hostc_text_kind(std::string_view text) {
  if (text.find(':') != std::string_view::npos) return is_hw_text(text) ? HOSTC_TEXT_HW : HOSTC_TEXT_INVALID;
  if (classic_address(text)) return HOSTC_TEXT_IPV4;
  return is_name(text) ? HOSTC_TEXT_NAME : HOSTC_TEXT_INVALID;
}

std::optional<std::array<std::uint8_t, 4>> hostc_text_ipv4(std::string_view text) {
  const auto value = classic_address(text);
  if (!value) return std::nullopt;
  std::array<std::uint8_t, 4> octets{};
  std::memcpy(octets.data(), &*value, octets.size());  // already in network order
  return octets;
}

}  // namespace nw

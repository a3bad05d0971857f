// Building frames for the demo LAN: the byte buffer every protocol layer appends its fields to,
// the address types the layers share, and the Internet checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace nw::demo {

using bytes = std::vector<std::uint8_t>;
using octets = std::span<const std::uint8_t>;
using mac_addr = std::array<std::uint8_t, 6>;
using ipv4_addr = std::array<std::uint8_t, 4>;
using ipv6_addr = std::array<std::uint8_t, 16>;

// Appends fields in network byte order unless the name says little-endian.
class packer {
 public:
  packer& u8(unsigned v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFFU));
    return *this;
  }
  packer& u16(unsigned v) { return u8(v >> 8).u8(v); }
  packer& u24(std::uint32_t v) { return u8(v >> 16).u16(v & 0xFFFFU); }
  packer& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFFU); }
  packer& u64(std::uint64_t v) {
    return u32(static_cast<std::uint32_t>(v >> 32)).u32(static_cast<std::uint32_t>(v));
  }
  packer& u16le(unsigned v) { return u8(v).u8(v >> 8); }
  packer& u32le(std::uint32_t v) { return u16le(v & 0xFFFFU).u16le(v >> 16); }
  packer& u64le(std::uint64_t v) {
    return u32le(static_cast<std::uint32_t>(v)).u32le(static_cast<std::uint32_t>(v >> 32));
  }
  packer& put(octets data) {
    out_.insert(out_.end(), data.begin(), data.end());
    return *this;
  }
  packer& text(std::string_view s) {
    for (const char c : s) u8(static_cast<unsigned char>(c));
    return *this;
  }
  packer& zeros(std::size_t count) {
    out_.resize(out_.size() + count, 0);
    return *this;
  }
  [[nodiscard]] bytes take() { return std::move(out_); }

 private:
  bytes out_;
};

// A length field's value: the size, cut to 16 bits.
[[nodiscard]] unsigned size16(const bytes& data);
// Overwrites the two octets at `at` with value, most significant first.
void store16(bytes& data, std::size_t at, unsigned value);
// The repeating pattern cut to size octets: readable stand-in content for files and pages.
[[nodiscard]] bytes filler(std::size_t size, std::string_view pattern);

// The Internet checksum (RFC 1071): the one's-complement sum of 16-bit words, an odd last
// octet padded with zero, added to sum; fold turns a sum into the checksum field's value.
[[nodiscard]] std::uint32_t sum_words(octets data, std::uint32_t sum = 0);
[[nodiscard]] unsigned fold(std::uint32_t sum);
// The sum of the pseudo-header that UDP, TCP and ICMPv6 checksums cover, for either IP version.
[[nodiscard]] std::uint32_t pseudo_header_sum(octets src, octets dst, unsigned protocol, std::size_t length);

}  // namespace nw::demo

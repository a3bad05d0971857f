// Length fields, filler content and the Internet checksum for the demo LAN's frames.
#include "tools/demo_packer.h"

namespace nw::demo {

unsigned size16(const bytes& data) { return static_cast<unsigned>(data.size() & 0xFFFFU); }

void store16(bytes& data, std::size_t at, unsigned value) {
  data[at] = static_cast<std::uint8_t>(value >> 8);
  data[at + 1] = static_cast<std::uint8_t>(value & 0xFFU);
}

bytes filler(std::size_t size, std::string_view pattern) {
  bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(pattern[i % pattern.size()]);
  return out;
}

std::uint32_t sum_words(octets data, std::uint32_t sum) {
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
  }
  if (data.size() % 2 != 0) sum += static_cast<std::uint32_t>(data.back() << 8);
  return sum;
}

unsigned fold(std::uint32_t sum) {
  while (sum >> 16 != 0) sum = (sum & 0xFFFFU) + (sum >> 16);
  return ~sum & 0xFFFFU;
}

std::uint32_t pseudo_header_sum(octets src, octets dst, unsigned protocol, std::size_t length) {
  const auto len = static_cast<std::uint32_t>(length);
  return sum_words(dst, sum_words(src)) + protocol + (len >> 16) + (len & 0xFFFFU);
}

}  // namespace nw::demo

// Bounds-checked little/big-endian accessors over file bytes: a short buffer reads as zero and
// clears ok, so a truncated page can never be read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nw {

struct xb_reader {
  std::span<const std::uint8_t> bytes;
  bool ok = true;

  [[nodiscard]] bool has(std::size_t offset, std::size_t length) {
    if (offset <= bytes.size() && length <= bytes.size() - offset) return true;
    ok = false;
    return false;
  }
  [[nodiscard]] std::uint8_t u8(std::size_t offset) { return has(offset, 1) ? bytes[offset] : 0; }
  [[nodiscard]] std::uint16_t le16(std::size_t offset) {
    if (!has(offset, 2)) return 0;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
  }
  [[nodiscard]] std::uint32_t le32(std::size_t offset) {
    if (!has(offset, 4)) return 0;
    return static_cast<std::uint32_t>(le16(offset)) | (static_cast<std::uint32_t>(le16(offset + 2)) << 16);
  }
  [[nodiscard]] std::uint32_t be32(std::size_t offset) {
    if (!has(offset, 4)) return 0;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | bytes[offset + i];
    return v;
  }
  // An empty span (and ok cleared) when the range is outside the buffer.
  [[nodiscard]] std::span<const std::uint8_t> sub(std::size_t offset, std::size_t length) {
    if (!has(offset, length)) return {};
    return bytes.subspan(offset, length);
  }
};

// Writers take a span the caller sized; out-of-range writes are dropped, never performed.
inline void xb_put_le16(std::span<std::uint8_t> b, std::size_t offset, std::uint32_t v) {
  if (offset + 2 > b.size()) return;
  b[offset] = static_cast<std::uint8_t>(v);
  b[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void xb_put_le32(std::span<std::uint8_t> b, std::size_t offset, std::uint32_t v) {
  xb_put_le16(b, offset, v & 0xFFFF);
  xb_put_le16(b, offset + 2, v >> 16);
}
inline void xb_put_be32(std::span<std::uint8_t> b, std::size_t offset, std::uint32_t v) {
  if (offset + 4 > b.size()) return;
  for (std::size_t i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

}  // namespace nw

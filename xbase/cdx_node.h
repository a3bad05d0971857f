// Compact index B-tree pages: interior entries and bit-packed, prefix/trail-compressed leaves.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nw {

inline constexpr std::size_t CDX_PAGE = 512;
inline constexpr std::uint32_t CDX_NONE = 0xFFFFFFFF;
inline constexpr std::uint16_t CDX_ROOT = 0x01;
inline constexpr std::uint16_t CDX_LEAF = 0x02;
inline constexpr std::size_t CDX_KEY_MAX = 240;
inline constexpr std::uint8_t CDX_PAD = 0x20;  // trailing byte of character keys

using cdx_page = std::array<std::uint8_t, CDX_PAGE>;

// Keys are byte strings; std::string compares them as unsigned bytes (char_traits<char>).
struct cdx_entry {
  std::string key;
  std::uint32_t rec = 0;
  std::uint32_t child = 0;  // interior nodes only: page offset of the subtree
};

struct cdx_node {
  std::uint16_t attr = CDX_LEAF;
  std::uint32_t left = CDX_NONE;
  std::uint32_t right = CDX_NONE;
  std::vector<cdx_entry> entries;
  [[nodiscard]] bool leaf() const { return (attr & CDX_LEAF) != 0; }
  [[nodiscard]] bool root() const { return (attr & CDX_ROOT) != 0; }
};

// Negative, zero or positive: keys bytewise unsigned, equal keys by record number.
[[nodiscard]] int cdx_compare(const std::string& a, std::uint32_t arec, const std::string& b, std::uint32_t brec);
// Entries an interior page holds: (512 - 12) / (keylen + 8).
[[nodiscard]] std::size_t cdx_branch_capacity(std::size_t keylen);
// 1 decoded, -1 with error when any count, width or offset does not fit the page.
[[nodiscard]] int cdx_node_decode(std::span<const std::uint8_t> page, std::size_t keylen, cdx_node& out,
                                  std::string& error);
// 1 encoded, 0 when the entries do not fit one page.
[[nodiscard]] int cdx_node_encode(const cdx_node& node, std::size_t keylen, cdx_page& page);

}  // namespace nw

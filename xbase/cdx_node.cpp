// Encoding and decoding of compact index pages.
#include "xbase/cdx_node.h"

#include <algorithm>

#include "xbase/xbytes.h"

namespace nw {

namespace {

constexpr std::size_t NODE_HEADER = 12;
constexpr std::size_t LEAF_HEADER = 24;

std::size_t bit_length(std::uint64_t v) {
  std::size_t n = 0;
  while (v != 0) {
    ++n;
    v >>= 1;
  }
  return n;
}

std::uint64_t mask_of(std::size_t bits) { return bits >= 64 ? ~0ULL : (1ULL << bits) - 1; }

std::size_t trailing_pad(const std::string& key) {
  std::size_t n = 0;
  while (n < key.size() && static_cast<std::uint8_t>(key[key.size() - 1 - n]) == CDX_PAD) ++n;
  return n;
}

std::size_t common_prefix(const std::string& a, const std::string& b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

void put_header(cdx_page& page, const cdx_node& node) {
  xb_put_le16(page, 0, node.attr);
  xb_put_le16(page, 2, static_cast<std::uint32_t>(node.entries.size()));
  xb_put_le32(page, 4, node.left);
  xb_put_le32(page, 8, node.right);
}

// Leaf bytes 12-23: free space, record mask, dup/trail masks, the three bit widths, entry size.
struct leaf_layout {
  std::size_t rec_bits = 0;
  std::size_t dup_bits = 0;
  std::size_t trail_bits = 0;
  std::size_t entry_bytes = 0;
};

// dup and trail take the bit length of the key length; record numbers get what is left of a
// 3-byte entry, and the leaf widens a byte at a time when its largest record does not fit.
leaf_layout layout_for(std::size_t keylen, std::uint32_t max_rec) {
  leaf_layout l;
  l.dup_bits = l.trail_bits = bit_length(keylen);
  l.entry_bytes = 3;
  l.rec_bits = 24 - 2 * l.dup_bits;
  while (max_rec > mask_of(l.rec_bits)) {
    ++l.entry_bytes;
    l.rec_bits += 8;
  }
  return l;
}

int decode_branch(xb_reader& r, std::size_t keylen, std::size_t count, cdx_node& out, std::string& error) {
  if (count > cdx_branch_capacity(keylen)) {
    error = "interior node key count exceeds the page";
    return -1;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = NODE_HEADER + i * (keylen + 8);
    auto key = r.sub(at, keylen);
    cdx_entry e;
    e.key.assign(key.begin(), key.end());
    // Record number and child offset are big-endian in interior entries.
    e.rec = r.be32(at + keylen);
    e.child = r.be32(at + keylen + 4);
    out.entries.push_back(std::move(e));
  }
  return 1;
}

int decode_leaf(xb_reader& r, std::size_t keylen, std::size_t count, cdx_node& out, std::string& error) {
  const leaf_layout l{r.u8(20), r.u8(21), r.u8(22), r.u8(23)};
  if (l.entry_bytes == 0 || l.entry_bytes > 8 || l.rec_bits > 32 ||
      l.rec_bits + l.dup_bits + l.trail_bits > 8 * l.entry_bytes || LEAF_HEADER + count * l.entry_bytes > CDX_PAGE) {
    error = "leaf entry layout does not fit the page";
    return -1;
  }
  std::size_t pos = CDX_PAGE;
  const std::size_t table_end = LEAF_HEADER + count * l.entry_bytes;
  std::string prev(keylen, static_cast<char>(CDX_PAD));
  for (std::size_t i = 0; i < count; ++i) {
    std::uint64_t e = 0;
    for (std::size_t b = 0; b < l.entry_bytes; ++b)
      e |= static_cast<std::uint64_t>(r.u8(LEAF_HEADER + i * l.entry_bytes + b)) << (8 * b);
    cdx_entry entry;
    entry.rec = static_cast<std::uint32_t>(e & mask_of(l.rec_bits));
    // The first entry has nothing to share; writers store 0 and readers ignore the field.
    std::size_t dup = i == 0 ? 0 : static_cast<std::size_t>((e >> l.rec_bits) & mask_of(l.dup_bits));
    // A layout may fill all 64 bits before the trail count, which then has no bits (and no shift).
    const std::size_t trail_at = l.rec_bits + l.dup_bits;
    std::size_t trail = trail_at >= 64 ? 0 : static_cast<std::size_t>((e >> trail_at) & mask_of(l.trail_bits));
    if (dup + trail > keylen || pos < table_end + (keylen - dup - trail)) {
      error = "leaf key bytes overlap the entry table";
      return -1;
    }
    const std::size_t stored = keylen - dup - trail;
    pos -= stored;
    auto bytes = r.sub(pos, stored);
    entry.key.assign(prev, 0, dup);
    entry.key.append(bytes.begin(), bytes.end());
    entry.key.append(trail, static_cast<char>(CDX_PAD));
    prev = entry.key;
    out.entries.push_back(std::move(entry));
  }
  return 1;
}

int encode_leaf(const cdx_node& node, std::size_t keylen, cdx_page& page) {
  std::uint32_t max_rec = 0;
  for (const cdx_entry& e : node.entries) {
    if (e.key.size() != keylen) return 0;
    max_rec = std::max(max_rec, e.rec);
  }
  const leaf_layout l = layout_for(keylen, max_rec);
  const std::size_t table_end = LEAF_HEADER + node.entries.size() * l.entry_bytes;
  if (table_end > CDX_PAGE) return 0;
  std::size_t pos = CDX_PAGE;
  std::size_t prev_trail = 0;
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    const std::string& key = node.entries[i].key;
    const std::size_t trail = trailing_pad(key);
    // Shared bytes never reach into either key's trailing pad.
    std::size_t dup = 0;
    if (i > 0) dup = std::min(common_prefix(node.entries[i - 1].key, key), keylen - std::max(prev_trail, trail));
    const std::size_t stored = keylen - dup - trail;
    if (pos < table_end + stored) return 0;
    pos -= stored;
    std::copy_n(key.begin() + static_cast<std::ptrdiff_t>(dup), stored, page.begin() + static_cast<std::ptrdiff_t>(pos));
    const std::uint64_t e = node.entries[i].rec | (static_cast<std::uint64_t>(dup) << l.rec_bits) |
                            (static_cast<std::uint64_t>(trail) << (l.rec_bits + l.dup_bits));
    for (std::size_t b = 0; b < l.entry_bytes; ++b)
      page[LEAF_HEADER + i * l.entry_bytes + b] = static_cast<std::uint8_t>(e >> (8 * b));
    prev_trail = trail;
  }
  xb_put_le16(page, 12, static_cast<std::uint32_t>(pos - table_end));
  xb_put_le32(page, 14, static_cast<std::uint32_t>(mask_of(l.rec_bits)));
  page[18] = static_cast<std::uint8_t>(mask_of(l.dup_bits));
  page[19] = static_cast<std::uint8_t>(mask_of(l.trail_bits));
  page[20] = static_cast<std::uint8_t>(l.rec_bits);
  page[21] = static_cast<std::uint8_t>(l.dup_bits);
  page[22] = static_cast<std::uint8_t>(l.trail_bits);
  page[23] = static_cast<std::uint8_t>(l.entry_bytes);
  return 1;
}

}  // namespace

int cdx_compare(const std::string& a, std::uint32_t arec, const std::string& b, std::uint32_t brec) {
  if (int c = a.compare(b); c != 0) return c;
  return arec < brec ? -1 : (arec > brec ? 1 : 0);
}

std::size_t cdx_branch_capacity(std::size_t keylen) { return (CDX_PAGE - NODE_HEADER) / (keylen + 8); }

int cdx_node_decode(std::span<const std::uint8_t> page, std::size_t keylen, cdx_node& out, std::string& error) {
  xb_reader r{page};
  out = cdx_node{};
  if (page.size() < CDX_PAGE || keylen == 0 || keylen > CDX_KEY_MAX) {
    error = "short page or bad key length";
    return -1;
  }
  out.attr = r.le16(0);
  const std::size_t count = r.le16(2);
  out.left = r.le32(4);
  out.right = r.le32(8);
  // Newer writers set 0x04 as well; only the leaf and root bits carry meaning here.
  int rc = out.leaf() ? decode_leaf(r, keylen, count, out, error) : decode_branch(r, keylen, count, out, error);
  if (rc > 0 && !r.ok) {
    error = "node reads past its page";
    return -1;
  }
  return rc;
}

int cdx_node_encode(const cdx_node& node, std::size_t keylen, cdx_page& page) {
  page.fill(0);
  if (keylen == 0 || keylen > CDX_KEY_MAX) return 0;
  put_header(page, node);
  if (node.leaf()) return encode_leaf(node, keylen, page);
  if (node.entries.size() > cdx_branch_capacity(keylen)) return 0;
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    const std::size_t at = NODE_HEADER + i * (keylen + 8);
    const std::string& key = node.entries[i].key;
    std::fill_n(page.begin() + static_cast<std::ptrdiff_t>(at), keylen, CDX_PAD);
    std::copy_n(key.begin(), std::min(key.size(), keylen), page.begin() + static_cast<std::ptrdiff_t>(at));
    xb_put_be32(page, at + keylen, node.entries[i].rec);
    xb_put_be32(page, at + keylen + 4, node.entries[i].child);
  }
  return 1;
}

}  // namespace nw

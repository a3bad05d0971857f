// Compound index reading, seeking and in-place updates of tag B-trees.
#include "xbase/cdx_index.h"

#include <algorithm>
#include <cctype>

#include "xbase/xbytes.h"

namespace nw {

namespace {

constexpr std::uint32_t TAG_HEADER_SIZE = 1024;
constexpr int MAX_DEPTH = 32;  // a deeper descent is a cycle in a damaged file

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string trim_name(std::span<const std::uint8_t> key) {
  std::string s(key.begin(), key.end());
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

// A NUL-terminated expression from the pool at header + 512: offset and length from the header.
std::string pool_text(xb_reader& r, std::uint32_t header, std::uint16_t offset, std::uint16_t length) {
  if (length == 0 || offset + length > CDX_PAGE) return {};
  auto bytes = r.sub(header + CDX_PAGE + offset, length);
  std::string s(bytes.begin(), bytes.end());
  s.resize(std::min(s.find('\0'), s.size()));
  return s;
}

}  // namespace

int cdx_index::open(const std::string& path) {
  close();
  path_ = path;
  if (file_.open(path, false, error_) < 0) return -1;
  const std::int64_t size = file_.size();
  if (size < 2 * static_cast<std::int64_t>(TAG_HEADER_SIZE) || size % static_cast<std::int64_t>(CDX_PAGE) != 0 || size > (1LL << 32))
    return fail("size is not a whole number of index pages");
  image_.resize(static_cast<std::size_t>(size));
  if (file_.read_at(0, image_) < 0) return fail("read failed");
  if (read_tags() < 0) {
    file_.close();
    return -1;
  }
  return 1;
}

void cdx_index::close() {
  file_.close();
  image_.clear();
  tags_.clear();
}

int cdx_index::read_tag_header(const std::string& name, std::uint32_t header, cdx_tag& tag) {
  xb_reader r{image_};
  if (header % CDX_PAGE != 0 || !r.has(header, TAG_HEADER_SIZE)) return fail("tag " + name + ": header outside the file");
  tag.name = name;
  tag.header = header;
  tag.key_length = r.le16(header + 12);
  tag.options = r.u8(header + 14);
  tag.descending = r.le16(header + 502) != 0;
  tag.filter = pool_text(r, header, r.le16(header + 504), r.le16(header + 506));
  tag.expression = pool_text(r, header, r.le16(header + 508), r.le16(header + 510));
  if (tag.key_length == 0 || tag.key_length > CDX_KEY_MAX) return fail("tag " + name + ": bad key length");
  if (!page_ok(r.le32(header))) return fail("tag " + name + ": root outside the file");
  return 1;
}

int cdx_index::read_tags() {
  xb_reader r{image_};
  const std::uint16_t keylen = r.le16(12);
  if ((r.u8(14) & CDX_OPT_COMPOUND) == 0 || keylen == 0 || keylen > CDX_KEY_MAX)
    return fail("not a compound index header");
  std::vector<cdx_entry> list;
  tags_.clear();
  if (walk(-1, [&](const cdx_entry& e) { list.push_back(e); }) < 0) return -1;
  for (const cdx_entry& e : list) {
    cdx_tag tag;
    auto key = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(e.key.data()), e.key.size());
    if (read_tag_header(trim_name(key), e.rec, tag) < 0) return -1;
    tags_.push_back(std::move(tag));
  }
  // Tags in creation order (header offset), as engines list them; the tag list is by name.
  std::sort(tags_.begin(), tags_.end(), [](const cdx_tag& a, const cdx_tag& b) { return a.header < b.header; });
  return 1;
}

int cdx_index::find_tag(std::string_view name) const {
  const std::string wanted = upper(name.substr(0, CDX_TAG_NAME_MAX));
  for (std::size_t i = 0; i < tags_.size(); ++i)
    if (upper(tags_[i].name) == wanted) return static_cast<int>(i);
  return -1;
}

// Tag -1 is the tag list itself, whose header is the file header at offset 0.
cdx_index::tree cdx_index::tree_of(int tag) const {
  if (tag < 0) return {0, xb_reader{image_}.le16(12)};
  if (static_cast<std::size_t>(tag) >= tags_.size()) return {0, 0};
  return {tags_[static_cast<std::size_t>(tag)].header, tags_[static_cast<std::size_t>(tag)].key_length};
}

bool cdx_index::page_ok(std::uint32_t offset) const {
  return offset % CDX_PAGE == 0 && offset >= CDX_PAGE && static_cast<std::size_t>(offset) + CDX_PAGE <= image_.size();
}

std::uint32_t cdx_index::root_of(const tree& t) const { return xb_reader{image_}.le32(t.header); }

int cdx_index::load(const tree& t, std::uint32_t page, cdx_node& node) {
  if (t.key_length == 0) return fail("no such tag");
  if (!page_ok(page)) return fail("node pointer outside the file");
  std::string why;
  if (cdx_node_decode(std::span<const std::uint8_t>(image_).subspan(page, CDX_PAGE), t.key_length, node, why) < 0)
    return fail("node at " + std::to_string(page) + ": " + why);
  return 1;
}

std::string cdx_index::normalize(const tree& t, std::span<const std::uint8_t> key) const {
  std::string k(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(std::min(key.size(), t.key_length)));
  k.resize(t.key_length, static_cast<char>(CDX_PAD));
  return k;
}

// Interior entries hold their subtree's last key, so the first entry at or after the target
// names the only child that can hold it.
int cdx_index::lower_bound(const tree& t, const std::function<bool(const cdx_entry&)>& at_or_after, cdx_entry& out) {
  std::uint32_t page = root_of(t);
  for (int depth = 0; depth < MAX_DEPTH; ++depth) {
    cdx_node node;
    if (load(t, page, node) < 0) return -1;
    auto it = std::find_if(node.entries.begin(), node.entries.end(), at_or_after);
    if (it == node.entries.end()) return 0;
    if (node.leaf()) {
      out = *it;
      return 1;
    }
    page = it->child;
  }
  return fail("tree deeper than any real index");
}

int cdx_index::first(int tag, cdx_entry& out) {
  return lower_bound(tree_of(tag), [](const cdx_entry&) { return true; }, out);
}

int cdx_index::next(int tag, const std::string& key, std::uint32_t rec, cdx_entry& out) {
  return lower_bound(tree_of(tag), [&](const cdx_entry& e) { return cdx_compare(e.key, e.rec, key, rec) > 0; }, out);
}

int cdx_index::seek(int tag, std::span<const std::uint8_t> prefix, cdx_entry& out) {
  const tree t = tree_of(tag);
  const std::string p(prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(std::min(prefix.size(), t.key_length)));
  out = cdx_entry{};
  int rc = lower_bound(t, [&](const cdx_entry& e) { return e.key.compare(0, p.size(), p) >= 0; }, out);
  if (rc <= 0) {
    out = cdx_entry{};
    return rc;
  }
  return out.key.compare(0, p.size(), p) == 0 ? 1 : 0;
}

int cdx_index::walk_node(const tree& t, std::uint32_t page, int depth, int& leaf_depth, std::vector<bool>& seen,
                         std::vector<level_end>& levels, const cdx_entry* expect_last,
                         const std::function<void(const cdx_entry&)>& fn, cdx_entry& prev, bool& any) {
  cdx_node node;
  if (depth >= MAX_DEPTH) return fail("tree deeper than any real index");
  if (load(t, page, node) < 0) return -1;
  if (seen[page / CDX_PAGE]) return fail("page " + std::to_string(page) + " used twice");
  seen[page / CDX_PAGE] = true;
  if (node.entries.empty() && depth > 0) return fail("empty node below the root");
  if (expect_last && cdx_compare(node.entries.back().key, node.entries.back().rec, expect_last->key, expect_last->rec) != 0)
    return fail("interior entry does not match its child's last key");
  // Splits and page releases write through the sibling links: each must name its neighbour on
  // the level, or an update would overwrite some other page.
  if (levels.size() <= static_cast<std::size_t>(depth)) levels.resize(static_cast<std::size_t>(depth) + 1);
  level_end& level = levels[static_cast<std::size_t>(depth)];
  if (node.left != level.page || (level.page != CDX_NONE && level.right != page))
    return fail("sibling links disagree at page " + std::to_string(page));
  level = {page, node.right};
  if (!node.leaf()) {
    for (const cdx_entry& e : node.entries)
      if (walk_node(t, e.child, depth + 1, leaf_depth, seen, levels, &e, fn, prev, any) < 0) return -1;
    return 1;
  }
  if (leaf_depth >= 0 && leaf_depth != depth) return fail("leaves at different depths");
  leaf_depth = depth;
  for (const cdx_entry& e : node.entries) {
    if (any && cdx_compare(prev.key, prev.rec, e.key, e.rec) >= 0) return fail("keys out of order");
    prev = e;
    any = true;
    fn(e);
  }
  return 1;
}

int cdx_index::walk_tree(const tree& t, std::vector<bool>& seen, const std::function<void(const cdx_entry&)>& fn) {
  std::vector<level_end> levels;
  int leaf_depth = -1;
  cdx_entry prev;
  bool any = false;
  if (walk_node(t, root_of(t), 0, leaf_depth, seen, levels, nullptr, fn, prev, any) < 0) return -1;
  for (const level_end& level : levels)
    if (level.right != CDX_NONE) return fail("last node of a level has a right sibling");
  return 1;
}

int cdx_index::walk(int tag, const std::function<void(const cdx_entry&)>& fn) {
  std::vector<bool> seen(image_.size() / CDX_PAGE, false);
  return walk_tree(tree_of(tag), seen, fn);
}

int cdx_index::check_pages() {
  std::vector<bool> seen(image_.size() / CDX_PAGE, false);
  auto claim_header = [&](std::uint32_t at) {
    for (std::size_t p = at / CDX_PAGE; p < (static_cast<std::size_t>(at) + TAG_HEADER_SIZE) / CDX_PAGE; ++p) {
      if (seen[p]) return false;
      seen[p] = true;
    }
    return true;
  };
  if (!claim_header(0)) return fail("file header overlaps a tag");
  for (int tag = -1; tag < static_cast<int>(tags_.size()); ++tag) {
    if (tag >= 0 && !claim_header(tags_[static_cast<std::size_t>(tag)].header))
      return fail("tag " + tags_[static_cast<std::size_t>(tag)].name + ": header shares a page");
    if (walk_tree(tree_of(tag), seen, [](const cdx_entry&) {}) < 0) return -1;
  }
  // A free page still in use would be handed out by the next split and overwritten.
  xb_reader r{image_};
  for (std::uint32_t page = r.le32(4); page_ok(page); page = r.le32(page)) {
    if (seen[page / CDX_PAGE]) return fail("free page " + std::to_string(page) + " is in use or listed twice");
    seen[page / CDX_PAGE] = true;
  }
  return 1;
}

int cdx_index::walk_leaves(int tag, const std::function<void(const cdx_entry&)>& fn) {
  const tree t = tree_of(tag);
  cdx_node node;
  std::uint32_t page = root_of(t);
  for (int depth = 0;; ++depth) {
    if (depth >= MAX_DEPTH || load(t, page, node) < 0) return -1;
    if (node.leaf()) break;
    if (node.entries.empty()) return fail("empty interior node");
    page = node.entries.front().child;
  }
  std::vector<bool> seen(image_.size() / CDX_PAGE, false);
  for (;;) {
    if (seen[page / CDX_PAGE]) return fail("sibling chain loops");
    seen[page / CDX_PAGE] = true;
    for (const cdx_entry& e : node.entries) fn(e);
    if (node.right == CDX_NONE) return 1;
    const std::uint32_t from = page;
    page = node.right;
    if (load(t, page, node) < 0) return -1;
    if (!node.leaf() || node.left != from) return fail("sibling links disagree");
  }
}

}  // namespace nw

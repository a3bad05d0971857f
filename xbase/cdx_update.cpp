// In-place B-tree updates of a compound index: insert with leaf/branch splits, delete, free pages.
#include <algorithm>

#include "xbase/cdx_index.h"
#include "xbase/xbytes.h"

namespace nw {

namespace {

constexpr int MAX_DEPTH = 32;
constexpr std::uint32_t FREE_LIST = 4;  // file header: head of the free-page chain

std::size_t lower_index(const cdx_node& node, const cdx_entry& e) {
  auto it = std::find_if(node.entries.begin(), node.entries.end(),
                         [&](const cdx_entry& x) { return cdx_compare(x.key, x.rec, e.key, e.rec) >= 0; });
  return static_cast<std::size_t>(it - node.entries.begin());
}

}  // namespace

int cdx_index::put_page(std::uint32_t offset, const cdx_page& page) {
  if (static_cast<std::size_t>(offset) + CDX_PAGE > image_.size()) return fail("page outside the file");
  std::copy(page.begin(), page.end(), image_.begin() + offset);
  if (file_.write_at(offset, page) < 0) return fail("write failed");
  return 1;
}

int cdx_index::put_u32(std::uint32_t offset, std::uint32_t value) {
  if (static_cast<std::size_t>(offset) + 4 > image_.size()) return fail("write outside the file");
  xb_put_le32(image_, offset, value);
  if (file_.write_at(offset, std::span<const std::uint8_t>(image_).subspan(offset, 4)) < 0) return fail("write failed");
  return 1;
}

// Pages come from the free chain (ended by 0 or -1), else from the end of the file.
std::uint32_t cdx_index::allocate() {
  xb_reader r{image_};
  const std::uint32_t head = r.le32(FREE_LIST);
  if (head != 0 && head != CDX_NONE && page_ok(head)) {
    std::uint32_t next = r.le32(head);
    if (!page_ok(next)) next = 0;
    if (put_u32(FREE_LIST, next) < 0) return 0;
    return head;
  }
  if (image_.size() + CDX_PAGE > 0xFFFFFE00u) return 0;
  const auto offset = static_cast<std::uint32_t>(image_.size());
  image_.resize(image_.size() + CDX_PAGE, 0);
  return offset;
}

int cdx_index::release(std::uint32_t page) {
  cdx_page p{};
  xb_put_le32(p, 0, xb_reader{image_}.le32(FREE_LIST));
  if (put_page(page, p) < 0) return -1;
  return put_u32(FREE_LIST, page);
}

// Sibling links live at bytes 4 (left) and 8 (right) of every node.
int cdx_index::unlink(const cdx_node& node) {
  if (node.left != CDX_NONE && page_ok(node.left) && put_u32(node.left + 8, node.right) < 0) return -1;
  if (node.right != CDX_NONE && page_ok(node.right) && put_u32(node.right + 4, node.left) < 0) return -1;
  return 1;
}

int cdx_index::split(const tree& t, std::uint32_t page, cdx_node& node, change& c) {
  const std::size_t n = node.entries.size();
  cdx_page lp{};
  cdx_page rp{};
  cdx_node left;
  cdx_node right;
  auto cut = [&](std::size_t k) {
    left = cdx_node{static_cast<std::uint16_t>(node.attr & ~CDX_ROOT), node.left, 0, {}};
    right = cdx_node{left.attr, page, node.right, {}};
    left.entries.assign(node.entries.begin(), node.entries.begin() + static_cast<std::ptrdiff_t>(k));
    right.entries.assign(node.entries.begin() + static_cast<std::ptrdiff_t>(k), node.entries.end());
    return cdx_node_encode(left, t.key_length, lp) > 0 && cdx_node_encode(right, t.key_length, rp) > 0;
  };
  // Halve by count, moving the cut when compressed keys make one half too large.
  bool fits = false;
  for (std::size_t d = 0; d < n && !fits; ++d) {
    if (n / 2 + d < n && n / 2 + d > 0) fits = cut(n / 2 + d);
    if (!fits && d > 0 && d < n / 2) fits = cut(n / 2 - d);
  }
  if (!fits) return fail("node cannot be split");
  const std::uint32_t added = allocate();
  if (added == 0) return fail("index file full");
  left.right = added;
  if (cdx_node_encode(left, t.key_length, lp) <= 0) return fail("node cannot be split");
  if (right.right != CDX_NONE && page_ok(right.right) && put_u32(right.right + 4, added) < 0) return -1;
  if (put_page(added, rp) < 0 || put_page(page, lp) < 0) return -1;
  c.last = left.entries.back();
  c.split = true;
  c.added = right.entries.back();
  c.added.child = added;
  return 1;
}

int cdx_index::store(const tree& t, std::uint32_t page, cdx_node& node, change& c) {
  c = change{};
  if (node.entries.empty()) {
    if (!node.root()) {
      c.empty = true;
      if (unlink(node) < 0) return -1;
      return release(page);
    }
    // An emptied root becomes an empty root leaf whatever it was.
    node = cdx_node{static_cast<std::uint16_t>(CDX_ROOT | CDX_LEAF), CDX_NONE, CDX_NONE, {}};
  }
  cdx_page p{};
  if (cdx_node_encode(node, t.key_length, p) > 0) {
    c.last = node.entries.empty() ? cdx_entry{} : node.entries.back();
    return put_page(page, p);
  }
  return split(t, page, node, c);
}

int cdx_index::absorb(cdx_node& node, std::size_t i, const change& child) {
  if (child.empty) {
    node.entries.erase(node.entries.begin() + static_cast<std::ptrdiff_t>(i));
    return 1;
  }
  const std::uint32_t page = node.entries[i].child;
  node.entries[i] = child.last;
  node.entries[i].child = page;
  if (child.split) node.entries.insert(node.entries.begin() + static_cast<std::ptrdiff_t>(i + 1), child.added);
  return 1;
}

int cdx_index::insert_at(const tree& t, std::uint32_t page, const cdx_entry& e, int depth, change& c) {
  cdx_node node;
  if (depth >= MAX_DEPTH) return fail("tree deeper than any real index");
  if (load(t, page, node) < 0) return -1;
  std::size_t i = lower_index(node, e);
  if (node.leaf()) {
    node.entries.insert(node.entries.begin() + static_cast<std::ptrdiff_t>(i), e);
  } else {
    if (node.entries.empty()) return fail("empty interior node");
    // A key past every entry extends the last subtree.
    i = std::min(i, node.entries.size() - 1);
    change child;
    if (insert_at(t, node.entries[i].child, e, depth + 1, child) < 0 || absorb(node, i, child) < 0) return -1;
  }
  return store(t, page, node, c);
}

int cdx_index::remove_at(const tree& t, std::uint32_t page, const cdx_entry& e, int depth, change& c) {
  cdx_node node;
  if (depth >= MAX_DEPTH) return fail("tree deeper than any real index");
  if (load(t, page, node) < 0) return -1;
  const std::size_t i = lower_index(node, e);
  if (i == node.entries.size()) return 0;
  if (node.leaf()) {
    if (cdx_compare(node.entries[i].key, node.entries[i].rec, e.key, e.rec) != 0) return 0;
    node.entries.erase(node.entries.begin() + static_cast<std::ptrdiff_t>(i));
  } else {
    change child;
    const int rc = remove_at(t, node.entries[i].child, e, depth + 1, child);
    if (rc <= 0) return rc;
    if (absorb(node, i, child) < 0) return -1;
  }
  return store(t, page, node, c) < 0 ? -1 : 1;
}

// A split root gets a new interior root above its two halves.
int cdx_index::finish_root(const tree& t, std::uint32_t root, const change& c) {
  if (!c.split) return 1;
  cdx_node top{CDX_ROOT, CDX_NONE, CDX_NONE, {c.last, c.added}};
  top.entries[0].child = root;
  const std::uint32_t page = allocate();
  if (page == 0) return fail("index file full");
  cdx_page p{};
  if (cdx_node_encode(top, t.key_length, p) <= 0 || put_page(page, p) < 0) return -1;
  return put_u32(t.header, page);
}

int cdx_index::insert(int tag, std::span<const std::uint8_t> key, std::uint32_t rec) {
  const tree t = tree_of(tag);
  if (t.key_length == 0 || !is_open()) return fail("no such tag");
  const cdx_entry e{normalize(t, key), rec, 0};
  const std::uint32_t root = root_of(t);
  change c;
  if (insert_at(t, root, e, 0, c) < 0) return -1;
  return finish_root(t, root, c);
}

int cdx_index::remove(int tag, std::span<const std::uint8_t> key, std::uint32_t rec) {
  const tree t = tree_of(tag);
  if (t.key_length == 0 || !is_open()) return fail("no such tag");
  const cdx_entry e{normalize(t, key), rec, 0};
  const std::uint32_t root = root_of(t);
  change c;
  const int rc = remove_at(t, root, e, 0, c);
  if (rc <= 0) return rc;
  return finish_root(t, root, c) < 0 ? -1 : 1;
}

}  // namespace nw

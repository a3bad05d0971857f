// Writing a new compound index: file header, tag list, tag headers and bulk-built trees.
#include <algorithm>
#include <cctype>

#include "xbase/cdx_index.h"
#include "xbase/xbytes.h"

namespace nw {

namespace {

constexpr std::uint32_t TAG_HEADER_SIZE = 1024;
constexpr std::uint8_t SIGNATURE = 0x01;
constexpr std::uint16_t TAG_LIST_KEY = 10;

struct image_builder {
  std::vector<std::uint8_t>& image;
  std::uint32_t allocate(std::size_t bytes) {
    const auto at = static_cast<std::uint32_t>(image.size());
    image.resize(image.size() + bytes, 0);
    return at;
  }
  void put(std::uint32_t at, const cdx_page& page) { std::copy(page.begin(), page.end(), image.begin() + at); }
};

// Header bytes: root 0, free list 4, key length 12, options 14, signature 15, order 502, and
// the expression pool at 512 described by 504-511 (FOR offset/length, key offset/length).
void put_tag_header(std::span<std::uint8_t> h, std::uint32_t root, std::uint16_t keylen, std::uint8_t options,
                    const std::string& expression) {
  xb_put_le32(h, 0, root);
  xb_put_le16(h, 12, keylen);
  h[14] = options;
  h[15] = SIGNATURE;
  // Readers ignore 16-19; some writers note the header and page sizes there, so do we.
  xb_put_le16(h, 16, TAG_HEADER_SIZE);
  xb_put_le16(h, 18, CDX_PAGE);
  const auto key_size = static_cast<std::uint16_t>(expression.size() + 1);
  xb_put_le16(h, 504, key_size);  // the (empty) FOR text follows the key text
  xb_put_le16(h, 506, 1);
  xb_put_le16(h, 508, 0);
  xb_put_le16(h, 510, key_size);
  std::copy(expression.begin(), expression.end(), h.begin() + 512);
}

// Greedy packing: each leaf takes entries while they fit, then interior levels above them.
std::uint32_t build_tree(image_builder& b, std::size_t keylen, const std::vector<cdx_entry>& entries) {
  std::vector<std::vector<cdx_entry>> groups(1);
  cdx_page page{};
  for (const cdx_entry& e : entries) {
    groups.back().push_back(e);
    cdx_node probe{CDX_LEAF, CDX_NONE, CDX_NONE, groups.back()};
    if (cdx_node_encode(probe, keylen, page) > 0) continue;
    groups.back().pop_back();
    groups.push_back({e});
  }
  bool leaf = true;
  for (;;) {
    const bool top = groups.size() == 1;
    std::vector<std::uint32_t> pages;
    for (std::size_t i = 0; i < groups.size(); ++i) pages.push_back(b.allocate(CDX_PAGE));
    std::vector<cdx_entry> parents;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      cdx_node node;
      node.attr = static_cast<std::uint16_t>((leaf ? CDX_LEAF : 0) | (top ? CDX_ROOT : 0));
      node.left = i == 0 ? CDX_NONE : pages[i - 1];
      node.right = i + 1 == groups.size() ? CDX_NONE : pages[i + 1];
      node.entries = groups[i];
      if (cdx_node_encode(node, keylen, page) <= 0) return 0;
      b.put(pages[i], page);
      if (!groups[i].empty()) parents.push_back(cdx_entry{groups[i].back().key, groups[i].back().rec, pages[i]});
    }
    if (top) return pages[0];
    const std::size_t cap = cdx_branch_capacity(keylen);
    groups.clear();
    for (std::size_t i = 0; i < parents.size(); i += cap)
      groups.emplace_back(parents.begin() + static_cast<std::ptrdiff_t>(i),
                          parents.begin() + static_cast<std::ptrdiff_t>(std::min(i + cap, parents.size())));
    leaf = false;
  }
}

std::string tag_key(const std::string& name) {
  std::string k = name.substr(0, CDX_TAG_NAME_MAX);
  for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  k.resize(TAG_LIST_KEY, ' ');
  return k;
}

}  // namespace

int cdx_index::create(const std::string& path, const std::vector<cdx_tag_def>& defs,
                      const std::vector<std::vector<cdx_entry>>* contents) {
  close();
  path_ = path;
  if (defs.empty() || defs.size() > 30) return fail("an index needs 1 to 30 tags");
  std::vector<std::uint8_t> image;
  image_builder b{image};
  b.allocate(TAG_HEADER_SIZE);
  const std::uint32_t list_root = b.allocate(CDX_PAGE);
  std::vector<cdx_entry> list;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const cdx_tag_def& d = defs[i];
    if (d.key_length == 0 || d.key_length > CDX_KEY_MAX || d.name.empty() || d.expression.size() > 200)
      return fail("bad tag " + d.name);
    const std::uint32_t header = b.allocate(TAG_HEADER_SIZE);
    std::vector<cdx_entry> none;
    const std::uint32_t root = build_tree(b, d.key_length, contents && i < contents->size() ? (*contents)[i] : none);
    if (root == 0) return fail("tag " + d.name + ": keys do not match the key length");
    put_tag_header(std::span<std::uint8_t>(image).subspan(header, TAG_HEADER_SIZE), root, d.key_length,
                   CDX_OPT_COMPACT | CDX_OPT_COMPOUND, d.expression);
    list.push_back({tag_key(d.name), header, 0});
  }
  std::sort(list.begin(), list.end(), [](const cdx_entry& a, const cdx_entry& b2) { return a.key < b2.key; });
  if (std::adjacent_find(list.begin(), list.end(), [](const cdx_entry& a, const cdx_entry& b2) {
        return a.key == b2.key;
      }) != list.end())
    return fail("two tags share a name");
  cdx_node list_node{static_cast<std::uint16_t>(CDX_ROOT | CDX_LEAF), CDX_NONE, CDX_NONE, list};
  cdx_page page{};
  if (cdx_node_encode(list_node, TAG_LIST_KEY, page) <= 0) return fail("too many tags for one tag-list page");
  b.put(list_root, page);
  put_tag_header(std::span<std::uint8_t>(image).first(TAG_HEADER_SIZE), list_root, TAG_LIST_KEY,
                 CDX_OPT_COMPACT | CDX_OPT_COMPOUND | CDX_OPT_STRUCTURE, "");
  if (xfile_replace(path, image, error_) < 0) return -1;
  return open(path);
}

}  // namespace nw

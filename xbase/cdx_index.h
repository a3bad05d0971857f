// Compound index (.cdx): the tag list, tag headers, and seek/skip/insert/delete on a tag's B-tree.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx_node.h"
#include "xbase/xfile.h"

namespace nw {

inline constexpr std::size_t CDX_TAG_NAME_MAX = 10;
inline constexpr std::uint8_t CDX_OPT_UNIQUE = 0x01;
inline constexpr std::uint8_t CDX_OPT_FOR = 0x08;
inline constexpr std::uint8_t CDX_OPT_COMPACT = 0x20;
inline constexpr std::uint8_t CDX_OPT_COMPOUND = 0x40;
inline constexpr std::uint8_t CDX_OPT_STRUCTURE = 0x80;

struct cdx_tag_def {
  std::string name;        // cut to 10 characters and upper-cased when stored
  std::string expression;  // a field name
  std::uint16_t key_length = 0;
};

struct cdx_tag {
  std::string name;  // as stored, trailing blanks removed
  std::uint32_t header = 0;  // byte offset of the 1024-byte tag header
  std::uint16_t key_length = 0;
  std::uint8_t options = 0;
  bool descending = false;
  std::string expression;
  std::string filter;
};

class cdx_index {
 public:
  // 1 open, -1 with error(): header, tag list and tag headers are checked; trees are read lazily.
  [[nodiscard]] int open(const std::string& path);
  // Writes a new index; contents, when given, holds each tag's entries in key order.
  [[nodiscard]] int create(const std::string& path, const std::vector<cdx_tag_def>& defs,
                           const std::vector<std::vector<cdx_entry>>* contents = nullptr);
  void close();
  [[nodiscard]] bool is_open() const { return file_.is_open(); }

  [[nodiscard]] const std::vector<cdx_tag>& tags() const { return tags_; }
  // Index into tags() or -1; names are cut to 10 characters before a case-insensitive compare.
  [[nodiscard]] int find_tag(std::string_view name) const;

  // Every entry in key order, descending from the root; 1 when the whole tree is sound, -1 with
  // error() at the first damaged page, out-of-order key, interior entry not matching its child or
  // sibling link not naming the node's neighbour on its level.
  [[nodiscard]] int walk(int tag, const std::function<void(const cdx_entry&)>& fn);
  // The same through the right-sibling links of the leaf level.
  [[nodiscard]] int walk_leaves(int tag, const std::function<void(const cdx_entry&)>& fn);
  // 1 when no page serves two purposes: the headers, the tag list, every tag's tree and the
  // free chain each own their pages; -1 with error() otherwise, or at a damaged tree.
  [[nodiscard]] int check_pages();
  // 1 with the first entry, 0 when the tag is empty, -1 on a damaged tree.
  [[nodiscard]] int first(int tag, cdx_entry& out);
  // 1 with the entry after (key, rec), 0 at the end.
  [[nodiscard]] int next(int tag, const std::string& key, std::uint32_t rec, cdx_entry& out);
  // 1 when a key starts with prefix (out = the first such), 0 when none does: out is then the
  // first greater key (out.rec 0 at the end). All prefix bytes compare, blanks included.
  [[nodiscard]] int seek(int tag, std::span<const std::uint8_t> prefix, cdx_entry& out);
  // Keys shorter than the key length are padded with blanks.
  [[nodiscard]] int insert(int tag, std::span<const std::uint8_t> key, std::uint32_t rec);
  // 1 removed, 0 when (key, rec) is not in the tag.
  [[nodiscard]] int remove(int tag, std::span<const std::uint8_t> key, std::uint32_t rec);
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  struct tree {
    std::uint32_t header = 0;
    std::size_t key_length = 0;
  };
  // What a changed node tells its parent.
  struct change {
    bool empty = false;
    cdx_entry last;
    bool split = false;
    cdx_entry added;  // the new right half: its last key and page
  };

  [[nodiscard]] int read_tags();
  [[nodiscard]] int read_tag_header(const std::string& name, std::uint32_t header, cdx_tag& tag);
  [[nodiscard]] tree tree_of(int tag) const;
  [[nodiscard]] bool page_ok(std::uint32_t offset) const;
  [[nodiscard]] int load(const tree& t, std::uint32_t page, cdx_node& node);
  [[nodiscard]] std::uint32_t root_of(const tree& t) const;
  [[nodiscard]] int lower_bound(const tree& t, const std::function<bool(const cdx_entry&)>& at_or_after,
                                cdx_entry& out);
  struct level_end {
    std::uint32_t page = CDX_NONE;   // the last node met on a level so far
    std::uint32_t right = CDX_NONE;  // and its right link
  };
  [[nodiscard]] int walk_tree(const tree& t, std::vector<bool>& seen, const std::function<void(const cdx_entry&)>& fn);
  [[nodiscard]] int walk_node(const tree& t, std::uint32_t page, int depth, int& leaf_depth,
                              std::vector<bool>& seen, std::vector<level_end>& levels, const cdx_entry* expect_last,
                              const std::function<void(const cdx_entry&)>& fn, cdx_entry& prev, bool& any);
  [[nodiscard]] int insert_at(const tree& t, std::uint32_t page, const cdx_entry& e, int depth, change& c);
  [[nodiscard]] int remove_at(const tree& t, std::uint32_t page, const cdx_entry& e, int depth, change& c);
  [[nodiscard]] int absorb(cdx_node& node, std::size_t i, const change& child);
  [[nodiscard]] int store(const tree& t, std::uint32_t page, cdx_node& node, change& c);
  [[nodiscard]] int split(const tree& t, std::uint32_t page, cdx_node& node, change& c);
  [[nodiscard]] int finish_root(const tree& t, std::uint32_t root, const change& c);
  [[nodiscard]] std::uint32_t allocate();
  [[nodiscard]] int release(std::uint32_t page);
  [[nodiscard]] int unlink(const cdx_node& node);
  [[nodiscard]] int put_page(std::uint32_t offset, const cdx_page& page);
  [[nodiscard]] int put_u32(std::uint32_t offset, std::uint32_t value);
  [[nodiscard]] std::string normalize(const tree& t, std::span<const std::uint8_t> key) const;
  [[nodiscard]] int fail(const std::string& text) {
    error_ = path_ + ": " + text;
    return -1;
  }

  xfile file_;
  std::string path_;
  std::vector<std::uint8_t> image_;  // the whole file; every change is written through
  std::vector<cdx_tag> tags_;
  std::string error_;
};

}  // namespace nw

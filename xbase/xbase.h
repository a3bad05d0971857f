// The xBase engine: a table with its structural compound index kept in step, and a cursor.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx_index.h"
#include "xbase/dbf_table.h"

namespace nw {

// A tag whose key is one field's bytes.
struct xbase_tag_spec {
  std::string name;
  std::string field;
};

class xbase_table {
 public:
  // Creates base.dbf (empty) and base.cdx with the tags; 1 done, -1 with error().
  [[nodiscard]] int create(const std::string& base, const std::vector<dbf_field>& fields,
                           const std::vector<xbase_tag_spec>& tags);
  // Opens base.dbf and its index. An index that is unreadable, lacks one of the expected tags or
  // does not hold exactly the table's keys is rebuilt from the table, silently.
  [[nodiscard]] int open(const std::string& base, const std::vector<xbase_tag_spec>& tags = {});
  void close();
  // The last open found the index unusable and rebuilt it.
  [[nodiscard]] bool index_rebuilt() const { return rebuilt_; }

  [[nodiscard]] int field_index(std::string_view name) const { return table_.field_index(name); }
  // 1 selected, 0 no such tag (names cut to 10 characters); an empty name selects record order.
  [[nodiscard]] int select_tag(std::string_view name);
  // Cursor moves: 1 on a record, 0 at the end (recno() 0), -1 on an error.
  [[nodiscard]] int top();
  [[nodiscard]] int skip();
  [[nodiscard]] int go(std::uint32_t recno);
  // 1 when a key of the selected tag starts with all bytes of key; 0 otherwise, the cursor then on
  // the next greater key or at the end.
  [[nodiscard]] int seek(std::span<const std::uint8_t> key);

  [[nodiscard]] std::uint32_t recno() const { return recno_; }
  [[nodiscard]] std::uint32_t record_count() const { return table_.record_count(); }
  [[nodiscard]] bool deleted() const { return !record_.empty() && record_[0] == DBF_DELETED; }
  [[nodiscard]] std::span<const std::uint8_t> field(int index) const;
  // Edits of the current record buffer, stored by append() or write().
  void blank();
  void assign(int index, std::span<const std::uint8_t> value);
  [[nodiscard]] int append();
  [[nodiscard]] int write();
  [[nodiscard]] int delete_record();
  [[nodiscard]] int pack();
  [[nodiscard]] int reindex();

  [[nodiscard]] const dbf_table& table() const { return table_; }
  [[nodiscard]] cdx_index& index() { return index_; }
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  [[nodiscard]] std::string key_of(std::size_t tag, std::span<const std::uint8_t> record) const;
  [[nodiscard]] int bind_tags();
  [[nodiscard]] int index_matches();
  [[nodiscard]] int position(int rc, const cdx_entry& at);
  [[nodiscard]] int load(std::uint32_t recno);
  [[nodiscard]] int fail(const std::string& text) {
    error_ = text;
    return -1;
  }

  dbf_table table_;
  cdx_index index_;
  std::string base_;
  std::vector<xbase_tag_spec> specs_;
  std::vector<int> tag_fields_;  // per index tag, the field its key is
  bool indexed_ = false;
  bool rebuilt_ = false;
  int tag_ = -1;
  std::uint32_t recno_ = 0;
  cdx_entry at_;  // the cursor's entry in the selected tag
  std::vector<std::uint8_t> record_;
  std::string error_;
};

}  // namespace nw

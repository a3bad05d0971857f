// dBASE III table (.dbf): header and field descriptors, fixed-length records, append, pack.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/xfile.h"

namespace nw {

inline constexpr std::uint8_t DBF_LIVE = 0x20;     // deletion flag of a live record
inline constexpr std::uint8_t DBF_DELETED = 0x2A;  // '*'
inline constexpr std::uint8_t DBF_EOF = 0x1A;

struct dbf_field {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';
  std::uint16_t width = 0;
  std::uint16_t offset = 0;  // in the record; byte 0 is the deletion flag
};

// The bytes of one field of a record buffer (empty when the buffer is too short).
[[nodiscard]] std::span<const std::uint8_t> dbf_field_bytes(std::span<const std::uint8_t> record, const dbf_field& f);
// Copies value into the field, cut to its width and padded with blanks.
void dbf_field_assign(std::span<std::uint8_t> record, const dbf_field& f, std::span<const std::uint8_t> value);

class dbf_table {
 public:
  // 1 open, -1 with error(): every header value is checked against the file.
  [[nodiscard]] int open(const std::string& path);
  // Creates an empty table (version 0x03); byte 28 tells readers a structural .cdx belongs to it.
  [[nodiscard]] int create(const std::string& path, const std::vector<dbf_field>& fields, bool structural_index);
  void close();

  [[nodiscard]] std::uint32_t record_count() const { return count_; }
  // The header claimed more records than the file holds; only whole records are used.
  [[nodiscard]] bool was_short() const { return short_; }
  [[nodiscard]] std::uint16_t record_length() const { return record_length_; }
  [[nodiscard]] bool structural_index() const { return structural_; }
  [[nodiscard]] const std::vector<dbf_field>& fields() const { return fields_; }
  // Index into fields(), or -1; names compare case-insensitively.
  [[nodiscard]] int field_index(std::string_view name) const;

  // 1 read, 0 when recno is outside 1..record_count(), -1 on an I/O error.
  [[nodiscard]] int read(std::uint32_t recno, std::vector<std::uint8_t>& record) const;
  // Overwrites an existing record in place.
  [[nodiscard]] int write(std::uint32_t recno, std::span<const std::uint8_t> record);
  // Writes the record after the last, then the count: a crash loses at most this row.
  [[nodiscard]] int append(std::span<const std::uint8_t> record);
  [[nodiscard]] int set_deleted(std::uint32_t recno, bool deleted);
  // Rewrites the table without deleted records (through a renamed temporary file).
  [[nodiscard]] int pack();
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  [[nodiscard]] int parse_header(std::span<const std::uint8_t> head, std::int64_t file_size);
  [[nodiscard]] std::vector<std::uint8_t> header_bytes(std::uint32_t count) const;
  [[nodiscard]] int write_count();
  [[nodiscard]] std::uint64_t record_offset(std::uint32_t recno) const {
    return header_length_ + static_cast<std::uint64_t>(recno - 1) * record_length_;
  }
  [[nodiscard]] int fail(const std::string& text) {
    error_ = path_ + ": " + text;
    return -1;
  }

  xfile file_;
  std::string path_;
  std::vector<dbf_field> fields_;
  std::uint8_t version_ = 0x03;
  std::uint32_t count_ = 0;
  std::uint16_t header_length_ = 0;
  std::uint16_t record_length_ = 0;
  bool structural_ = false;
  bool short_ = false;
  std::string error_;
};

}  // namespace nw

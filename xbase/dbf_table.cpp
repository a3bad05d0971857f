// dBASE III table reader and writer.
#include "xbase/dbf_table.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "xbase/xbytes.h"

namespace nw {

namespace {

constexpr std::size_t HEADER_SIZE = 32;
constexpr std::size_t DESCRIPTOR_SIZE = 32;
constexpr std::uint8_t TERMINATOR = 0x0D;
constexpr std::size_t HEADER_MAX = 65535;

// Version bytes of tables without exotic structure that this engine reads.
bool known_version(std::uint8_t v) {
  constexpr std::uint8_t versions[] = {0x02, 0x03, 0x30, 0x31, 0x32, 0x83, 0x8B, 0xF5};
  return std::find(std::begin(versions), std::end(versions), v) != std::end(versions);
}

bool known_type(char t) {
  return std::string_view("CNFLDMGBIYTPV0@+O").find(t) != std::string_view::npos;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// One descriptor: name NUL-padded in bytes 0-10, type 11, width 16 (17 is the high byte of a
// character field's width in Clipper-style tables, the decimal count otherwise).
int parse_descriptor(xb_reader& r, std::size_t at, dbf_field& f) {
  auto name = r.sub(at, 11);
  if (!r.ok) return -1;
  std::size_t len = 0;
  while (len < 11 && name[len] != 0) ++len;
  if (len == 0 || len > 10) return -1;
  f.name.assign(reinterpret_cast<const char*>(name.data()), len);
  f.type = static_cast<char>(r.u8(at + 11));
  unsigned width = r.u8(at + 16);
  if (f.type == 'C') width |= static_cast<unsigned>(r.u8(at + 17)) << 8;
  if (!known_type(f.type) || width == 0) return -1;
  f.width = static_cast<std::uint16_t>(width);
  return 1;
}

}  // namespace

std::span<const std::uint8_t> dbf_field_bytes(std::span<const std::uint8_t> record, const dbf_field& f) {
  if (static_cast<std::size_t>(f.offset) + f.width > record.size()) return {};
  return record.subspan(f.offset, f.width);
}

void dbf_field_assign(std::span<std::uint8_t> record, const dbf_field& f, std::span<const std::uint8_t> value) {
  if (static_cast<std::size_t>(f.offset) + f.width > record.size()) return;
  std::size_t n = std::min<std::size_t>(value.size(), f.width);
  std::copy_n(value.begin(), n, record.begin() + f.offset);
  std::fill_n(record.begin() + f.offset + static_cast<std::ptrdiff_t>(n), f.width - n, std::uint8_t{0x20});
}

int dbf_table::parse_header(std::span<const std::uint8_t> head, std::int64_t file_size) {
  xb_reader r{head};
  version_ = r.u8(0);
  if (!known_version(version_)) return fail("not a dBASE table (version byte)");
  std::uint32_t count = r.le32(4);
  header_length_ = r.le16(8);
  record_length_ = r.le16(10);
  structural_ = (r.u8(28) & 0x01) != 0;
  if (header_length_ < HEADER_SIZE + DESCRIPTOR_SIZE + 1 || header_length_ > file_size)
    return fail("bad header length");
  fields_.clear();
  std::size_t at = HEADER_SIZE;
  std::uint32_t offset = 1;
  // Descriptors run until the 0x0D terminator, which must lie inside the header.
  while (at < header_length_ && r.u8(at) != TERMINATOR) {
    if (at + DESCRIPTOR_SIZE >= header_length_) return fail("field descriptors overrun the header");
    dbf_field f;
    if (parse_descriptor(r, at, f) < 0) return fail("bad field descriptor");
    f.offset = static_cast<std::uint16_t>(offset);
    offset += f.width;
    if (offset > 0xFFFF) return fail("record too long");
    fields_.push_back(f);
    at += DESCRIPTOR_SIZE;
  }
  if (!r.ok || at >= header_length_ || fields_.empty()) return fail("no field descriptor terminator");
  if (offset != record_length_) return fail("record length does not match the fields");
  // Only whole records count; a torn append leaves a partial row that is not a record.
  std::uint64_t room = (static_cast<std::uint64_t>(file_size) - header_length_) / record_length_;
  short_ = count > room;
  count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, room));
  return 1;
}

int dbf_table::open(const std::string& path) {
  close();
  path_ = path;
  if (file_.open(path, false, error_) < 0) return -1;
  std::int64_t size = file_.size();
  if (size < static_cast<std::int64_t>(HEADER_SIZE)) return fail("too short for a table header");
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::int64_t>(size, HEADER_MAX)));
  if (file_.read_at(0, head) < 0) return fail("read failed");
  if (parse_header(head, size) < 0) {
    file_.close();
    return -1;
  }
  return 1;
}

std::vector<std::uint8_t> dbf_table::header_bytes(std::uint32_t count) const {
  std::vector<std::uint8_t> h(header_length_, 0);
  h[0] = version_;
  std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  // dBASE III counts the year from 1900 (126 for 2026).
  h[1] = static_cast<std::uint8_t>(tm.tm_year);
  h[2] = static_cast<std::uint8_t>(tm.tm_mon + 1);
  h[3] = static_cast<std::uint8_t>(tm.tm_mday);
  xb_put_le32(h, 4, count);
  xb_put_le16(h, 8, header_length_);
  xb_put_le16(h, 10, record_length_);
  h[28] = structural_ ? 0x01 : 0x00;
  std::size_t at = HEADER_SIZE;
  for (const dbf_field& f : fields_) {
    std::copy_n(f.name.begin(), std::min<std::size_t>(f.name.size(), 10), h.begin() + static_cast<std::ptrdiff_t>(at));
    h[at + 11] = static_cast<std::uint8_t>(f.type);
    xb_put_le32(h, at + 12, f.offset);
    h[at + 16] = static_cast<std::uint8_t>(f.width & 0xFF);
    h[at + 17] = f.type == 'C' ? static_cast<std::uint8_t>(f.width >> 8) : 0;
    at += DESCRIPTOR_SIZE;
  }
  h[at] = TERMINATOR;
  return h;
}

int dbf_table::create(const std::string& path, const std::vector<dbf_field>& fields, bool structural_index) {
  close();
  path_ = path;
  if (fields.empty() || fields.size() > 255) return fail("a table needs 1 to 255 fields");
  fields_.clear();
  std::uint32_t offset = 1;
  for (dbf_field f : fields) {
    if (f.name.empty() || f.name.size() > 10 || f.width == 0 || !known_type(f.type)) return fail("bad field " + f.name);
    for (char& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    f.offset = static_cast<std::uint16_t>(offset);
    offset += f.width;
    if (offset > 0xFFFF) return fail("record too long");
    fields_.push_back(f);
  }
  version_ = 0x03;
  header_length_ = static_cast<std::uint16_t>(HEADER_SIZE + DESCRIPTOR_SIZE * fields_.size() + 1);
  record_length_ = static_cast<std::uint16_t>(offset);
  structural_ = structural_index;
  count_ = 0;
  short_ = false;
  std::vector<std::uint8_t> bytes = header_bytes(0);
  bytes.push_back(DBF_EOF);
  if (xfile_replace(path, bytes, error_) < 0) return -1;
  return file_.open(path, false, error_);
}

void dbf_table::close() {
  file_.close();
  fields_.clear();
  count_ = 0;
}

int dbf_table::field_index(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (same_name(fields_[i].name, name)) return static_cast<int>(i);
  return -1;
}

int dbf_table::read(std::uint32_t recno, std::vector<std::uint8_t>& record) const {
  if (recno == 0 || recno > count_) return 0;
  record.resize(record_length_);
  return file_.read_at(record_offset(recno), record);
}

int dbf_table::write(std::uint32_t recno, std::span<const std::uint8_t> record) {
  if (!file_.is_open()) return fail("not open");
  if (recno == 0 || recno > count_ || record.size() != record_length_) return fail("no such record");
  if (file_.write_at(record_offset(recno), record) < 0) return fail("write failed");
  return 1;
}

int dbf_table::write_count() {
  std::vector<std::uint8_t> h = header_bytes(count_);
  // Only the first 12 bytes change: version, date, count, lengths.
  if (file_.write_at(0, std::span<const std::uint8_t>(h).first(12)) < 0) return fail("header write failed");
  return 1;
}

int dbf_table::append(std::span<const std::uint8_t> record) {
  if (!file_.is_open()) return fail("not open");
  if (record.size() != record_length_ || count_ == 0xFFFFFFFF) return fail("bad record");
  std::vector<std::uint8_t> bytes(record.begin(), record.end());
  bytes.push_back(DBF_EOF);
  if (file_.write_at(record_offset(count_ + 1), bytes) < 0) return fail("append failed");
  ++count_;
  return write_count();
}

int dbf_table::set_deleted(std::uint32_t recno, bool deleted) {
  if (recno == 0 || recno > count_) return fail("no such record");
  const std::uint8_t flag = deleted ? DBF_DELETED : DBF_LIVE;
  if (file_.write_at(record_offset(recno), std::span<const std::uint8_t>(&flag, 1)) < 0) return fail("write failed");
  return 1;
}

int dbf_table::pack() {
  if (!file_.is_open()) return fail("not open");
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> rec;
  std::uint32_t kept = 0;
  for (std::uint32_t i = 1; i <= count_; ++i) {
    if (read(i, rec) < 0) return fail("read failed");
    if (rec[0] == DBF_DELETED) continue;
    out.insert(out.end(), rec.begin(), rec.end());
    ++kept;
  }
  std::vector<std::uint8_t> bytes = header_bytes(kept);
  bytes.insert(bytes.end(), out.begin(), out.end());
  bytes.push_back(DBF_EOF);
  file_.close();
  int rc = xfile_replace(path_, bytes, error_);
  if (file_.open(path_, false, error_) < 0) return -1;
  if (rc < 0) return -1;
  count_ = kept;
  short_ = false;
  return 1;
}

}  // namespace nw

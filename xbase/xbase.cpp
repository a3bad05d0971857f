// The engine facade: table operations that keep every tag of the structural index in step.
#include "xbase/xbase.h"

#include <algorithm>
#include <cctype>

namespace nw {

namespace {

std::span<const std::uint8_t> bytes_of(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

bool same_text(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

int xbase_table::create(const std::string& base, const std::vector<dbf_field>& fields,
                        const std::vector<xbase_tag_spec>& tags) {
  close();
  if (table_.create(base + ".dbf", fields, !tags.empty()) < 0) return fail(table_.error());
  table_.close();
  return open(base, tags);
}

int xbase_table::open(const std::string& base, const std::vector<xbase_tag_spec>& tags) {
  close();
  base_ = base;
  specs_ = tags;
  if (table_.open(base + ".dbf") < 0) return fail(table_.error());
  indexed_ = table_.structural_index() || !specs_.empty();
  if (!indexed_) return 1;
  if (index_.open(base + ".cdx") > 0 && bind_tags() > 0 && index_matches() > 0) return 1;
  rebuilt_ = true;
  if (reindex() > 0) return 1;
  // The table stays usable in record order when its index cannot be rebuilt.
  indexed_ = false;
  index_.close();
  return specs_.empty() ? 1 : -1;
}

void xbase_table::close() {
  table_.close();
  index_.close();
  tag_fields_.clear();
  indexed_ = rebuilt_ = false;
  tag_ = -1;
  recno_ = 0;
  record_.clear();
}

// Every tag's expression must name a field as wide as its key, and every expected tag exist.
int xbase_table::bind_tags() {
  tag_fields_.clear();
  for (const cdx_tag& t : index_.tags()) {
    const int f = table_.field_index(t.expression);
    if (f < 0 || table_.fields()[static_cast<std::size_t>(f)].width != t.key_length || !t.filter.empty()) return 0;
    tag_fields_.push_back(f);
  }
  for (const xbase_tag_spec& s : specs_) {
    const int t = index_.find_tag(s.name);
    if (t < 0 || !same_text(index_.tags()[static_cast<std::size_t>(t)].expression, s.field)) return 0;
  }
  return 1;
}

std::string xbase_table::key_of(std::size_t tag, std::span<const std::uint8_t> record) const {
  const dbf_field& f = table_.fields()[static_cast<std::size_t>(tag_fields_[tag])];
  auto bytes = dbf_field_bytes(record, f);
  return {bytes.begin(), bytes.end()};
}

namespace {

// A fingerprint of one (key, record) entry; summing them gives an order-free fingerprint of a
// whole tag, so the table and a tag compare in memory that does not grow with the table.
std::uint64_t entry_fingerprint(const std::string& key, std::uint32_t rec) {
  std::uint64_t h = 0xcbf29ce484222325ULL ^ rec;  // FNV-1a over the key, seeded by the record
  for (char c : key) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  h ^= h >> 33;  // then a final mix so that nearby inputs scatter
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

// The index is usable only when each tag holds exactly one entry per record (deleted ones
// too) under the key the record holds now; a torn write or a foreign index fails here. A tag
// walks in strictly ascending order, so equal entry counts and equal fingerprint sums leave
// no room for a missing, doubled or stale entry (short of a 64-bit collision).
int xbase_table::index_matches() {
  std::vector<std::uint64_t> expected(tag_fields_.size(), 0);
  std::vector<std::uint8_t> rec;
  const std::uint32_t count = table_.record_count();
  for (std::uint32_t r = 1; r <= count; ++r) {
    if (table_.read(r, rec) <= 0) return -1;
    for (std::size_t t = 0; t < tag_fields_.size(); ++t) expected[t] += entry_fingerprint(key_of(t, rec), r);
  }
  for (std::size_t t = 0; t < tag_fields_.size(); ++t) {
    std::uint64_t sum = 0;
    std::uint32_t seen = 0;
    bool ordered = true;
    cdx_entry previous;
    if (index_.walk(static_cast<int>(t), [&](const cdx_entry& e) {
          ordered = ordered && e.rec >= 1 && e.rec <= count &&
                    (seen == 0 || cdx_compare(previous.key, previous.rec, e.key, e.rec) < 0);
          sum += entry_fingerprint(e.key, e.rec);
          previous = e;
          ++seen;
        }) < 0)
      return 0;
    if (!ordered || seen != count || sum != expected[t]) return 0;
  }
  // Right keys are not enough: updates also trust the sibling links and the free chain.
  return index_.check_pages() > 0 ? 1 : 0;
}

int xbase_table::reindex() {
  std::vector<cdx_tag_def> defs;
  if (!specs_.empty()) {
    for (const xbase_tag_spec& s : specs_) {
      const int f = table_.field_index(s.field);
      if (f < 0) return fail("tag " + s.name + ": no field " + s.field);
      defs.push_back({s.name, table_.fields()[static_cast<std::size_t>(f)].name, table_.fields()[static_cast<std::size_t>(f)].width});
    }
  } else {
    for (std::size_t t = 0; t < index_.tags().size() && t < tag_fields_.size(); ++t)
      defs.push_back({index_.tags()[t].name, index_.tags()[t].expression, index_.tags()[t].key_length});
    if (defs.empty()) return fail(base_ + ".cdx: no tags to rebuild");
  }
  std::vector<std::vector<cdx_entry>> contents(defs.size());
  std::vector<std::uint8_t> rec;
  for (std::uint32_t r = 1; r <= table_.record_count(); ++r) {
    if (table_.read(r, rec) <= 0) return fail(table_.error());
    for (std::size_t t = 0; t < defs.size(); ++t) {
      auto bytes = dbf_field_bytes(rec, table_.fields()[static_cast<std::size_t>(table_.field_index(defs[t].expression))]);
      contents[t].push_back({std::string(bytes.begin(), bytes.end()), r, 0});
    }
  }
  for (auto& c : contents)
    std::sort(c.begin(), c.end(), [](const cdx_entry& a, const cdx_entry& b) { return cdx_compare(a.key, a.rec, b.key, b.rec) < 0; });
  if (index_.create(base_ + ".cdx", defs, &contents) < 0 || bind_tags() <= 0) return fail(index_.error());
  indexed_ = true;
  tag_ = -1;
  return 1;
}

int xbase_table::select_tag(std::string_view name) {
  if (name.empty()) {
    tag_ = -1;
    return 1;
  }
  const int t = indexed_ ? index_.find_tag(name) : -1;
  if (t < 0) return 0;
  tag_ = t;
  return 1;
}

int xbase_table::load(std::uint32_t recno) {
  const int rc = table_.read(recno, record_);
  if (rc < 0) return fail(table_.error());
  recno_ = rc > 0 ? recno : 0;
  if (rc > 0 && tag_ >= 0) at_ = {key_of(static_cast<std::size_t>(tag_), record_), recno, 0};
  return rc;
}

int xbase_table::position(int rc, const cdx_entry& at) {
  if (rc < 0) return fail(index_.error());
  if (rc == 0 || at.rec == 0) {
    recno_ = 0;
    return 0;
  }
  if (load(at.rec) < 0) return -1;
  at_ = at;
  return recno_ != 0 ? 1 : fail("index points past the table");
}

int xbase_table::go(std::uint32_t recno) { return load(recno); }

int xbase_table::top() {
  if (tag_ < 0) return load(1);
  cdx_entry e;
  return position(index_.first(tag_, e), e);
}

int xbase_table::skip() {
  if (recno_ == 0) return 0;
  if (tag_ < 0) return load(recno_ + 1);
  cdx_entry e;
  return position(index_.next(tag_, at_.key, at_.rec, e), e);
}

int xbase_table::seek(std::span<const std::uint8_t> key) {
  if (tag_ < 0) return fail("no tag selected");
  cdx_entry e;
  const int rc = index_.seek(tag_, key, e);
  if (rc < 0) return fail(index_.error());
  if (position(e.rec == 0 ? 0 : 1, e) < 0) return -1;
  return rc;
}

std::span<const std::uint8_t> xbase_table::field(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= table_.fields().size()) return {};
  return dbf_field_bytes(record_, table_.fields()[static_cast<std::size_t>(index)]);
}

void xbase_table::blank() { record_.assign(table_.record_length(), DBF_LIVE); }

void xbase_table::assign(int index, std::span<const std::uint8_t> value) {
  if (index < 0 || static_cast<std::size_t>(index) >= table_.fields().size()) return;
  if (record_.size() != table_.record_length()) blank();
  dbf_field_assign(record_, table_.fields()[static_cast<std::size_t>(index)], value);
}

// The table is written first: if the index update is lost, the next open sees the mismatch.
int xbase_table::append() {
  if (record_.size() != table_.record_length()) blank();
  if (table_.append(record_) < 0) return fail(table_.error());
  recno_ = table_.record_count();
  for (std::size_t t = 0; indexed_ && t < tag_fields_.size(); ++t)
    if (index_.insert(static_cast<int>(t), bytes_of(key_of(t, record_)), recno_) < 0) return fail(index_.error());
  if (tag_ >= 0) at_ = {key_of(static_cast<std::size_t>(tag_), record_), recno_, 0};
  return 1;
}

int xbase_table::write() {
  std::vector<std::uint8_t> old;
  if (recno_ == 0 || table_.read(recno_, old) <= 0) return fail("no current record");
  if (table_.write(recno_, record_) < 0) return fail(table_.error());
  for (std::size_t t = 0; indexed_ && t < tag_fields_.size(); ++t) {
    const std::string before = key_of(t, old);
    const std::string after = key_of(t, record_);
    if (before == after) continue;
    if (index_.remove(static_cast<int>(t), bytes_of(before), recno_) < 0 ||
        index_.insert(static_cast<int>(t), bytes_of(after), recno_) < 0)
      return fail(index_.error());
  }
  if (tag_ >= 0) at_ = {key_of(static_cast<std::size_t>(tag_), record_), recno_, 0};
  return 1;
}

int xbase_table::delete_record() {
  if (recno_ == 0) return fail("no current record");
  if (table_.set_deleted(recno_, true) < 0) return fail(table_.error());
  record_[0] = DBF_DELETED;
  return 1;
}

int xbase_table::pack() {
  if (table_.pack() < 0) return fail(table_.error());
  recno_ = 0;
  if (!indexed_) return 1;
  const int tag = tag_;
  if (reindex() < 0) return -1;
  tag_ = tag;
  return 1;
}

}  // namespace nw

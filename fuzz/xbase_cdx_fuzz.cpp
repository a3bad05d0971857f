// Any bytes as a compound index, twice. Alone, opened directly: refused, or its tags walk, seek,
// take an insert and a removal without reading or writing outside the file. Beside a sound
// table, opened through the engine: open always succeeds, keeping the index only when it holds
// exactly the table's keys and rebuilding it otherwise, so the tags then walk to the table's
// keys, seeks land where a scan says, and updates keep them in step, also across a reopen.
//
// Run with NODEWREN_XBASE_SEEDS=<dir> to write seed indexes made for that table to <dir> (and
// seed tables for xbase_dbf_fuzz to <dir>/dbf).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/xbase_fuzz_support.h"
#include "xbase/xbase.h"

namespace {

using namespace nw;
using namespace nw::xbase_fuzz;

const std::vector<dbf_field> FIELDS = {{"ID", 'C', 6, 0}, {"NAME", 'C', 12, 0}, {"N", 'N', 4, 0}};
const std::vector<xbase_tag_spec> TAGS = {{"ID_TAG", "ID"}, {"NAME_TAG", "NAME"}};
constexpr std::uint32_t ROWS = 100;

std::string dir;
std::vector<std::uint8_t> table_bytes;

std::span<const std::uint8_t> bytes_of(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Ids in scrambled order, names with repeats (equal keys order by record), every 10th deleted:
// enough rows for interior levels in both tags.
void fill(xbase_table& t, std::uint32_t rows) {
  static const char* const words[] = {"alpha", "bravo", "charlie", "delta", "echo", "fox", "golf"};
  for (std::uint32_t r = 1; r <= rows; ++r) {
    const std::string id = std::to_string(100000 + (r * 7919) % 900000);
    const std::string name = std::string(words[r % 7]) + "-" + std::to_string(r % 23);
    t.blank();
    t.assign(0, bytes_of(id));
    t.assign(1, bytes_of(name));
    t.assign(2, bytes_of(std::to_string(r)));
    check(t.append() == 1);
    if (r % 10 == 0) check(t.delete_record() == 1);
  }
}

void copy_file(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

void write_seeds(const std::string& out) {
  std::filesystem::create_directories(out);
  const std::string base = dir + "/seed";
  xbase_table t;
  check(t.create(base, FIELDS, TAGS) == 1);
  copy_file(base + ".cdx", out + "/empty_table.cdx");
  fill(t, ROWS);
  copy_file(base + ".cdx", out + "/grown_by_appends.cdx");
  check(t.reindex() == 1);
  copy_file(base + ".cdx", out + "/bulk_built.cdx");
  t.close();
  cdx_index one;
  check(one.create(base + ".cdx", {{"ID_TAG", "ID", 6}}) == 1);
  copy_file(base + ".cdx", out + "/one_empty_tag.cdx");

  // Tables for xbase_dbf_fuzz: this one, an empty one and a small one with a deleted row.
  std::filesystem::create_directories(out + "/dbf");
  copy_file(base + ".dbf", out + "/dbf/rows100.dbf");
  check(t.create(base, {{"HOST", 'C', 10, 0}, {"SEEN", 'D', 8, 0}}, {}) == 1);
  copy_file(base + ".dbf", out + "/dbf/empty.dbf");
  for (const char* host : {"gateway", "printer", "nas"}) {
    t.blank();
    t.assign(0, bytes_of(std::string(host)));
    t.assign(1, bytes_of(std::string("20260105")));
    check(t.append() == 1);
  }
  check(t.go(2) == 1 && t.delete_record() == 1);
  copy_file(base + ".dbf", out + "/dbf/three_rows.dbf");
}

// Where a scan of the sorted keys says a seek lands: the first key at or after the prefix.
const cdx_entry* scan_seek(const std::vector<cdx_entry>& keys, const std::string& prefix, bool& found) {
  for (const cdx_entry& e : keys) {
    const int c = e.key.compare(0, prefix.size(), prefix);
    if (c >= 0) {
      found = c == 0;
      return &e;
    }
  }
  found = false;
  return nullptr;
}

void check_seeks(xbase_table& t) {
  for (std::size_t tag = 0; tag < TAGS.size(); ++tag) {
    const std::vector<cdx_entry> keys = expected_keys(t.table(), t.field_index(TAGS[tag].field));
    check(t.select_tag(TAGS[tag].name) == 1);
    std::vector<std::string> prefixes = {"", "\xff", "0", "zzz"};
    for (std::size_t i = 0; i < keys.size(); i += 37) {
      prefixes.push_back(keys[i].key);
      prefixes.push_back(keys[i].key.substr(0, 3));
    }
    for (const std::string& p : prefixes) {
      bool found = false;
      const cdx_entry* want = scan_seek(keys, p, found);
      const int rc = t.seek(bytes_of(p));
      check(rc == (found ? 1 : 0));
      check(t.recno() == (want ? want->rec : 0));
    }
  }
  check(t.select_tag("") == 1);
}

void through_engine(const std::uint8_t* data, std::size_t size) {
  const std::string base = dir + "/t";
  write_file(base + ".dbf", table_bytes.data(), table_bytes.size());
  write_file(base + ".cdx", data, size);
  xbase_table t;
  check(t.open(base, TAGS) == 1);
  for (const xbase_tag_spec& s : TAGS) check(t.index().find_tag(s.name) >= 0);
  check_tags_match_table(t);
  // A rebuilt index is the engine's own, the same for every input: what follows is for indexes
  // that were kept.
  if (t.index_rebuilt()) return;
  check_seeks(t);

  t.blank();
  t.assign(0, bytes_of(std::string("000000")));
  t.assign(1, bytes_of(std::string("alpha-0")));
  check(t.append() == 1);
  for (std::uint32_t r : {5u, 77u, ROWS}) {
    check(t.go(r) == 1);
    t.assign(0, bytes_of("x" + std::to_string(r)));
    t.assign(1, bytes_of(std::string("bravo-3")));
    check(t.write() == 1);
  }
  check(t.go(3) == 1);
  check(t.delete_record() == 1);
  check_tags_match_table(t);
  check_seeks(t);
  t.close();

  check(t.open(base, TAGS) == 1);
  check(!t.index_rebuilt());
  check_tags_match_table(t);
}

// A damaged index used directly has no table to check against: only safety is at stake, and a
// tree that walks sound must seek and step as its walk says.
void alone(const std::uint8_t* data, std::size_t size) {
  const std::string path = dir + "/alone.cdx";
  write_file(path, data, size);
  cdx_index index;
  if (index.open(path) < 0) {
    check(!index.error().empty());
    return;
  }
  const std::size_t tags = std::min<std::size_t>(index.tags().size(), 4);
  for (std::size_t i = 0; i < tags; ++i) {
    const int tag = static_cast<int>(i);
    std::vector<cdx_entry> keys;
    const bool sound = index.walk(tag, [&](const cdx_entry& e) { keys.push_back(e); }) == 1;
    std::size_t along = 0;
    (void)index.walk_leaves(tag, [&](const cdx_entry&) { ++along; });
    cdx_entry e;
    std::size_t steps = 0;
    int rc = index.first(tag, e);
    // Each step descends from the root: a bounded number of them.
    for (; rc == 1 && steps <= keys.size() && steps < 24; ++steps) {
      if (sound) check(e.key == keys[steps].key && e.rec == keys[steps].rec);
      const std::string key = e.key;
      rc = index.next(tag, key, e.rec, e);
    }
    if (sound && steps < 24) check(rc == 0 && steps == keys.size());
    std::vector<std::string> prefixes = {"", "\xff", "M"};
    if (!keys.empty()) prefixes.push_back(keys[keys.size() / 2].key);
    for (const std::string& p : prefixes) {
      rc = index.seek(tag, bytes_of(p), e);
      if (!sound) continue;
      bool found = false;
      const std::string cut = p.substr(0, index.tags()[i].key_length);
      const cdx_entry* want = scan_seek(keys, cut, found);
      check(rc == (found ? 1 : 0) && e.rec == (want ? want->rec : 0));
    }
    (void)index.insert(tag, bytes_of(std::string("fuzz")), 12345);
    if (!keys.empty()) (void)index.remove(tag, bytes_of(keys.front().key), keys.front().rec);
    (void)index.walk(tag, [](const cdx_entry&) {});
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dir = scratch_dir("xbase_cdx_fuzz");
  std::atexit([] { std::filesystem::remove_all(dir); });
  const std::string base = dir + "/template";
  xbase_table t;
  check(t.create(base, FIELDS, TAGS) == 1);
  fill(t, ROWS);
  t.close();
  table_bytes = read_file(base + ".dbf");
  if (const char* out = std::getenv("NODEWREN_XBASE_SEEDS")) write_seeds(out);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  alone(data, size);
  through_engine(data, size);
  return 0;
}

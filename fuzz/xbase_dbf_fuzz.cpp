// Any bytes as a table file: open refuses it or every record it counts reads whole, in record
// order and through an index rebuilt from its first field; a table that opens also takes an
// append, an in-place rewrite, a deletion and a pack, and opens again with its index in step.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/xbase_fuzz_support.h"
#include "xbase/xbase.h"

namespace {

using namespace nw;
using namespace nw::xbase_fuzz;

std::string dir;

std::span<const std::uint8_t> text(const char* s) {
  return {reinterpret_cast<const std::uint8_t*>(s), std::char_traits<char>::length(s)};
}

// Header values against the file: records lie wholly inside it, fields tile the record.
void check_layout(const dbf_table& table, std::size_t size) {
  std::size_t offset = 1;
  for (const dbf_field& f : table.fields()) {
    check(f.offset == offset && f.width > 0 && !f.name.empty() && f.name.size() <= 10);
    offset += f.width;
  }
  check(offset == table.record_length());
  check(static_cast<std::uint64_t>(table.record_count()) * table.record_length() <= size);
  std::vector<std::uint8_t> rec;
  for (std::uint32_t r = 1; r <= table.record_count(); ++r) {
    check(table.read(r, rec) == 1);
    check(rec.size() == table.record_length());
  }
  check(table.read(0, rec) == 0);
  check(table.read(table.record_count() + 1, rec) == 0);
}

void check_record_order(xbase_table& t) {
  std::uint32_t n = 0;
  int rc = t.top();
  for (; rc == 1; rc = t.skip()) check(t.recno() == ++n);
  check(rc == 0 && n == t.record_count());
}

// Writes through the engine, each checked on the table and its index.
void exercise_updates(xbase_table& t, const std::string& base, const std::vector<xbase_tag_spec>& specs) {
  const std::uint32_t before = t.record_count();
  t.blank();
  t.assign(0, text("fuzz-append"));
  check(t.append() == 1);
  check(t.record_count() == before + 1);
  const std::vector<std::uint8_t> appended(t.field(0).begin(), t.field(0).end());
  check_tags_match_table(t);

  if (before > 0) {
    check(t.go(1) == 1);
    t.assign(0, text("\x01rewritten"));
    check(t.write() == 1);
    check(t.delete_record() == 1);
    check_tags_match_table(t);
  }

  std::uint32_t live = 0;
  std::vector<std::uint8_t> rec;
  for (std::uint32_t r = 1; r <= t.record_count(); ++r) {
    check(t.table().read(r, rec) == 1);
    live += rec[0] != DBF_DELETED ? 1 : 0;
  }
  check(t.pack() == 1);
  check(t.record_count() == live);
  check_tags_match_table(t);

  // The appended row was live and last: after the pack it is still the last record.
  check(t.go(t.record_count()) == 1);
  check(std::equal(appended.begin(), appended.end(), t.field(0).begin(), t.field(0).end()));

  xbase_table again;
  check(again.open(base, specs) == 1);
  check(!again.index_rebuilt());
  check(again.record_count() == live);
  check_tags_match_table(again);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dir = scratch_dir("xbase_dbf_fuzz");
  std::atexit([] { std::filesystem::remove_all(dir); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string base = dir + "/t";
  std::filesystem::remove(base + ".cdx");
  write_file(base + ".dbf", data, size);

  dbf_table table;
  if (table.open(base + ".dbf") < 0) {
    check(!table.error().empty());
    xbase_table t;
    check(t.open(base) == -1);
    return 0;
  }
  check_layout(table, size);
  const std::string first = table.fields()[0].name;
  const std::size_t key_width = table.fields()[static_cast<std::size_t>(table.field_index(first))].width;
  table.close();

  // No tags asked for: a structural index that is missing and cannot be rebuilt leaves the
  // table readable in record order.
  {
    xbase_table t;
    check(t.open(base) == 1);
    check_record_order(t);
  }
  std::filesystem::remove(base + ".cdx");

  const std::vector<xbase_tag_spec> specs = {{"K", first}};
  xbase_table t;
  const int rc = t.open(base, specs);
  check(rc == (key_width <= CDX_KEY_MAX ? 1 : -1));
  if (rc < 0) return 0;
  check(t.index_rebuilt());
  check_record_order(t);
  check_tags_match_table(t);
  if (t.record_count() <= 500) exercise_updates(t, base, specs);
  return 0;
}

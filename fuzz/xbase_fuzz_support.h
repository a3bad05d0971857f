// Shared by the xBase fuzz targets: a private scratch directory, whole-file I/O, and the check
// that an index's tags hold exactly the keys of the table's records.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xbase/xbase.h"

namespace nw::xbase_fuzz {

// Memory-backed when the machine has it: every input is written to a file and read back.
inline std::string scratch_dir(const char* target) {
  const std::string root = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  const std::string dir = root + "/" + target + "." + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  return dir;
}

inline void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

inline std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void check(bool ok) {
  if (!ok) __builtin_trap();
}

// What a tag must hold: one entry per record (deleted ones too), the field's bytes as key.
inline std::vector<cdx_entry> expected_keys(const dbf_table& table, int field) {
  std::vector<cdx_entry> out;
  std::vector<std::uint8_t> rec;
  const dbf_field& f = table.fields()[static_cast<std::size_t>(field)];
  for (std::uint32_t r = 1; r <= table.record_count(); ++r) {
    check(table.read(r, rec) == 1);
    auto key = dbf_field_bytes(rec, f);
    out.push_back({std::string(key.begin(), key.end()), r, 0});
  }
  std::sort(out.begin(), out.end(),
            [](const cdx_entry& a, const cdx_entry& b) { return cdx_compare(a.key, a.rec, b.key, b.rec) < 0; });
  return out;
}

inline bool same_entries(const std::vector<cdx_entry>& a, const std::vector<cdx_entry>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const cdx_entry& x, const cdx_entry& y) {
           return x.key == y.key && x.rec == y.rec;
         });
}

// Every tag of an open engine table walks, down the tree and along the leaves, to exactly the
// table's keys, and the cursor visits them in the same order. Each cursor step descends from the
// root, so only the first cursor_steps are taken.
inline void check_tags_match_table(xbase_table& t, std::size_t cursor_steps = 24) {
  cdx_index& index = t.index();
  for (std::size_t tag = 0; tag < index.tags().size(); ++tag) {
    const int field = t.field_index(index.tags()[tag].expression);
    check(field >= 0);
    const std::vector<cdx_entry> want = expected_keys(t.table(), field);
    std::vector<cdx_entry> down;
    std::vector<cdx_entry> along;
    check(index.walk(static_cast<int>(tag), [&](const cdx_entry& e) { down.push_back(e); }) == 1);
    check(index.walk_leaves(static_cast<int>(tag), [&](const cdx_entry& e) { along.push_back(e); }) == 1);
    check(same_entries(down, want));
    check(same_entries(along, want));
    check(t.select_tag(index.tags()[tag].name) == 1);
    std::size_t i = 0;
    int rc = t.top();
    for (; rc == 1 && i < cursor_steps; rc = t.skip(), ++i) check(i < want.size() && t.recno() == want[i].rec);
    if (i < cursor_steps) check(rc == 0 && i == want.size() && t.recno() == 0);
  }
  check(t.select_tag("") == 1);
}

}  // namespace nw::xbase_fuzz

// Shared helpers of the xBase tests: temporary directories, sample listings, hex.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/shared_data.h"
#include "xbase/cdx_index.h"

namespace nw::xbase_test {

// The other engine's tables and indexes, with a trailing '/'; empty when the shared data is absent.
inline const std::string SAMPLES = [] {
  const auto dir = test::shared_path("ref/xbase-samples");
  return dir.empty() ? std::string() : dir.string() + "/";
}();

// The first statement of a test that reads the samples.
#define NODEWREN_NEEDS_SAMPLES() \
  if (SAMPLES.empty()) GTEST_SKIP() << "the xBase samples are absent"

// A fresh directory removed with everything in it when the test ends.
struct temp_dir {
  std::filesystem::path path;
  temp_dir() {
    char name[] = "/tmp/nw-xbase-XXXXXX";
    path = mkdtemp(name);
  }
  ~temp_dir() { std::filesystem::remove_all(path); }
  [[nodiscard]] std::string operator/(const std::string& file) const { return (path / file).string(); }
};

inline std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

inline std::string unhex(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
  return out;
}

// The other engine's walk: "KEY tag pos hex rec", "SEEK|SOFTSEEK tag hex found= eof= recno= key=".
struct listing {
  std::uint32_t record_count = 0;
  std::vector<std::string> tag_names;
  std::vector<std::vector<cdx_entry>> keys;  // per tag, in listed order
  struct seek_line {
    std::string tag;
    std::string prefix;
    bool found = false;
    std::uint32_t rec = 0;  // 0 at the end
  };
  std::vector<seek_line> seeks;
};

inline std::string read_text(const std::string& path) {
  std::string out;
  if (std::filesystem::exists(path)) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The large listings are kept compressed.
  FILE* pipe = popen(("gzip -dc '" + path + ".gz'").c_str(), "r");
  if (!pipe) return out;
  char buf[65536];
  std::size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

inline listing read_listing(const std::string& set) {
  listing l;
  std::istringstream in(read_text(SAMPLES + set + "/harbour-cdxcheck.txt"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string word;
    f >> word;
    if (word == "RECCOUNT") {
      f >> l.record_count;
    } else if (word == "TAG") {
      std::string n;
      std::string name;
      f >> n >> name;
      l.tag_names.push_back(name.substr(5));
      l.keys.emplace_back();
    } else if (word == "KEY") {
      std::string tag;
      std::string key;
      std::size_t pos = 0;
      cdx_entry e;
      f >> tag >> pos >> key >> e.rec;
      e.key = unhex(key);
      l.keys.back().push_back(e);
    } else if (word == "SEEK" || word == "SOFTSEEK") {
      listing::seek_line s;
      std::string prefix;
      std::string found;
      std::string eof;
      std::string recno;
      f >> s.tag >> prefix >> found >> eof >> recno;
      s.prefix = unhex(prefix);
      s.found = found == "found=Y";
      s.rec = recno == "recno=-" ? 0 : static_cast<std::uint32_t>(std::stoul(recno.substr(6)));
      l.seeks.push_back(s);
    }
  }
  return l;
}

inline std::vector<cdx_entry> walk_tag(cdx_index& index, int tag, bool by_siblings = false) {
  std::vector<cdx_entry> out;
  auto fn = [&](const cdx_entry& e) { out.push_back({e.key, e.rec, 0}); };
  const int rc = by_siblings ? index.walk_leaves(tag, fn) : index.walk(tag, fn);
  if (rc < 0) out.push_back({"walk failed: " + index.error(), 0, 0});
  return out;
}

inline bool same_entries(const std::vector<cdx_entry>& a, const std::vector<cdx_entry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].key != b[i].key || a[i].rec != b[i].rec) return false;
  return true;
}

inline std::span<const std::uint8_t> bytes_of(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace nw::xbase_test

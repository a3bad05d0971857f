// Writing tables and compound indexes: structure against the samples, B-tree updates against a
// model, open-time repair, and reading back through an independent reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "tests/xbase_test_support.h"
#include "xbase/xbase.h"
#include "xbase/xbytes.h"

namespace nw {
namespace {

using namespace xbase_test;

const std::vector<dbf_field> ETHERS_FIELDS = {
    {"MAC_ADDR", 'C', 6, 0}, {"LOCAL_NAME", 'C', 40, 0}, {"IP_ADDR", 'C', 4, 0}, {"IP_NAME", 'C', 40, 0}, {"IP_RESOLVE", 'C', 2, 0}};
const std::vector<xbase_tag_spec> ETHERS_TAGS = {{"MAC_ADDR_TAG", "MAC_ADDR"}, {"LOCAL_NAME_TAG", "LOCAL_NAME"}};

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies every row of a sample table into a new table of ours, in record order.
void copy_rows(const std::string& set, xbase_table& out) {
  dbf_table in;
  ASSERT_EQ(in.open(SAMPLES + set + "/ethers.dbf"), 1);
  std::vector<std::uint8_t> rec;
  for (std::uint32_t r = 1; r <= in.record_count(); ++r) {
    ASSERT_EQ(in.read(r, rec), 1);
    out.blank();
    for (int f = 0; f < 5; ++f) out.assign(f, dbf_field_bytes(rec, in.fields()[static_cast<std::size_t>(f)]));
    ASSERT_EQ(out.append(), 1) << out.error();
    if (rec[0] == DBF_DELETED) {
      ASSERT_EQ(out.delete_record(), 1);
    }
  }
}

// Our rows of `small`, key by key: the same tag walks, tag-list and tag headers as the sample.
TEST(XbaseWrite, SmallSampleRebuiltHasTheSampleStructure) {
  NODEWREN_NEEDS_SAMPLES();
  for (const char* set : {"small", "unpacked"}) {
    SCOPED_TRACE(set);
    temp_dir dir;
    xbase_table t;
    ASSERT_EQ(t.create(dir / "ethers", ETHERS_FIELDS, ETHERS_TAGS), 1) << t.error();
    copy_rows(set, t);
    cdx_index ours;
    cdx_index theirs;
    ASSERT_EQ(ours.open(dir / "ethers.cdx"), 1);
    ASSERT_EQ(theirs.open(SAMPLES + set + "/ethers.cdx"), 1);
    const std::vector<std::uint8_t> a = read_file(dir / "ethers.cdx");
    const std::vector<std::uint8_t> b = read_file(SAMPLES + set + "/ethers.cdx");
    ASSERT_EQ(a.size(), b.size());
    // File header: key length, options, signature, order and expression pool descriptors.
    for (std::size_t off : {12u, 13u, 14u, 15u, 502u, 504u, 506u, 508u, 510u}) EXPECT_EQ(a[off], b[off]) << off;
    for (int tag = 0; tag < 2; ++tag) {
      const cdx_tag& x = ours.tags()[static_cast<std::size_t>(tag)];
      const cdx_tag& y = theirs.tags()[static_cast<std::size_t>(tag)];
      EXPECT_EQ(x.name, y.name);
      EXPECT_EQ(x.header, y.header);
      EXPECT_TRUE(same_entries(walk_tag(ours, tag), walk_tag(theirs, tag)));
      for (std::size_t off = 12; off < 1024; ++off) ASSERT_EQ(a[x.header + off], b[y.header + off]) << x.name << " " << off;
      // Root leaves: same masks, widths, entry size, free space, entries and key bytes.
      const std::uint32_t ra = xb_reader{a}.le32(x.header);
      const std::uint32_t rb = xb_reader{b}.le32(y.header);
      for (std::size_t off = 0; off < CDX_PAGE; ++off) ASSERT_EQ(a[ra + off], b[rb + off]) << x.name << " " << off;
    }
    // Table: same header lengths and field descriptors apart from the other engine's extra byte.
    const std::vector<std::uint8_t> da = read_file(dir / "ethers.dbf");
    const std::vector<std::uint8_t> db = read_file(SAMPLES + std::string(set) + "/ethers.dbf");
    EXPECT_EQ(da[0], 0x03);
    EXPECT_EQ(da[28], 0x01);
    EXPECT_EQ(xb_reader{da}.le16(8), 193);
    EXPECT_EQ(da[192], 0x0D);
    EXPECT_EQ(da.back(), DBF_EOF);
    EXPECT_EQ(da.size(), 193u + 93u * t.record_count() + 1u);
    for (std::size_t f = 0; f < 5; ++f)
      for (std::size_t off : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 16u, 17u}) EXPECT_EQ(da[32 + 32 * f + off], db[32 + 32 * f + off]);
    for (std::uint32_t r = 0; r < t.record_count(); ++r)
      for (std::size_t i = 0; i < 93; ++i) ASSERT_EQ(da[193 + 93 * r + i], db[194 + 93 * r + i]) << r << " " << i;
  }
}

// 4300 rows appended key by key match the `big` walk; packing them matches `bigpacked`.
// Past record 4095 the LOCAL_NAME leaves need 4-byte entries with 20 record bits.
TEST(XbaseWrite, BigSampleRowsGrowAndPackLikeTheSamples) {
  NODEWREN_NEEDS_SAMPLES();
  temp_dir dir;
  xbase_table t;
  ASSERT_EQ(t.create(dir / "ethers", ETHERS_FIELDS, ETHERS_TAGS), 1);
  copy_rows("big", t);
  for (const char* set : {"big", "bigpacked"}) {
    SCOPED_TRACE(set);
    if (std::string(set) == "bigpacked") {
      ASSERT_EQ(t.pack(), 1) << t.error();
    }
    const listing l = read_listing(set);
    EXPECT_EQ(t.record_count(), l.record_count);
    for (int tag = 0; tag < 2; ++tag)
      EXPECT_TRUE(same_entries(walk_tag(t.index(), tag), l.keys[static_cast<std::size_t>(tag)]));
    const std::vector<std::uint8_t> cdx = read_file(dir / "ethers.cdx");
    int wide = 0;
    for (std::size_t p = 1024; p + CDX_PAGE <= cdx.size(); p += CDX_PAGE)
      if ((cdx[p] & CDX_LEAF) != 0 && cdx[p + 20] == 20 && cdx[p + 23] == 4) ++wide;
    EXPECT_GT(wide, 0);
  }
}

struct model_key {
  std::string key;
  std::uint32_t rec;
  bool operator<(const model_key& o) const { return cdx_compare(key, rec, o.key, o.rec) < 0; }
};

void expect_matches(cdx_index& index, int tag, const std::set<model_key>& model) {
  std::vector<cdx_entry> want;
  for (const model_key& m : model) want.push_back({m.key, m.rec, 0});
  ASSERT_TRUE(same_entries(walk_tag(index, tag), want));
  ASSERT_TRUE(same_entries(walk_tag(index, tag, true), want));
}

// Random inserts and deletes against an ordered set: splits at every level, record numbers past
// 4095 (wider LOCAL_NAME entries), many equal keys, emptying leaves and the whole tree.
TEST(XbaseWrite, InsertAndDeleteKeepTheTreeInModelOrder) {
  temp_dir dir;
  cdx_index index;
  ASSERT_EQ(index.create(dir / "t.cdx", {{"MAC_ADDR_TAG", "MAC_ADDR", 6}, {"LOCAL_NAME_TAG", "LOCAL_NAME", 40}}), 1);
  std::mt19937 rng(11);
  std::set<model_key> model[2];
  auto random_key = [&](int tag) {
    if (tag == 0) {
      std::string k(6, '\0');
      for (char& c : k) c = "\x00\x20\x1F\xFF\x11\x42"[rng() % 6];
      return k;
    }
    std::string k = std::string("name-") + std::to_string(rng() % 300);
    if (rng() % 4 == 0) k += '\0';
    k.resize(40, ' ');
    return k;
  };
  for (std::uint32_t rec = 1; rec <= 6000; ++rec) {
    for (int tag = 0; tag < 2; ++tag) {
      std::string k = random_key(tag);
      ASSERT_EQ(index.insert(tag, bytes_of(k), rec), 1) << index.error();
      model[tag].insert({k, rec});
    }
    if (rec % 1500 == 0) {
      expect_matches(index, 0, model[0]);
      expect_matches(index, 1, model[1]);
    }
  }
  for (int tag = 0; tag < 2; ++tag) {
    cdx_entry gone{"nothing-like-it", 1, 0};
    EXPECT_EQ(index.remove(tag, bytes_of(gone.key), 1), 0);
    std::vector<model_key> keys(model[tag].begin(), model[tag].end());
    std::shuffle(keys.begin(), keys.end(), rng);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      ASSERT_EQ(index.remove(tag, bytes_of(keys[i].key), keys[i].rec), 1) << index.error();
      model[tag].erase(keys[i]);
      if (i % 2000 == 0 || model[tag].size() < 3) expect_matches(index, tag, model[tag]);
    }
    cdx_entry e;
    EXPECT_EQ(index.first(tag, e), 0);
  }
  // Reopened from disk, the emptied trees are still sound and take new keys from freed pages.
  const auto size = std::filesystem::file_size(dir / "t.cdx");
  cdx_index again;
  ASSERT_EQ(again.open(dir / "t.cdx"), 1);
  ASSERT_EQ(again.insert(0, bytes_of("abcdef"), 1), 1);
  expect_matches(again, 0, {{"abcdef", 1}});
  EXPECT_EQ(std::filesystem::file_size(dir / "t.cdx"), size);
}

// A hardware address ending in 0x20 is a different key from one of five bytes; an explicit
// key length compares exactly that many bytes, blanks included.
TEST(XbaseWrite, SeekComparesEveryByteOfTheGivenLength) {
  temp_dir dir;
  xbase_table t;
  ASSERT_EQ(t.create(dir / "e", ETHERS_FIELDS, ETHERS_TAGS), 1);
  const std::string macs[] = {std::string("\x00\x11\x22\x33\x44\x20", 6), std::string("\x00\x11\x22\x33\x44\x00", 6),
                              std::string("\x00\x11\x22\x33\x44", 5), std::string("      ", 6)};
  for (const std::string& m : macs) {
    t.blank();
    t.assign(0, bytes_of(m));
    t.assign(1, bytes_of(std::string("n") + std::to_string(t.record_count())));
    ASSERT_EQ(t.append(), 1);
  }
  ASSERT_EQ(t.select_tag("MAC_ADDR_TAG"), 1);
  struct probe {
    std::string key;
    int found;
    std::uint32_t rec;
  };
  const probe probes[] = {
      {macs[0], 1, 1},  // the exact 6 bytes, not the 5-byte address padded with the same blank
      {macs[1], 1, 2},
      {macs[2], 1, 2},  // five bytes: the first of the three sharing them
      {std::string("\x00\x11\x22\x33\x44\x21", 6), 0, 4},
      {std::string(6, '\xFF'), 0, 0},
  };
  for (const probe& p : probes) {
    SCOPED_TRACE(hex(p.key));
    EXPECT_EQ(t.seek(bytes_of(p.key)), p.found);
    EXPECT_EQ(t.recno(), p.rec);
  }
  // Both 0x20-ending keys are kept apart and ordered by record number.
  ASSERT_EQ(t.seek(bytes_of(macs[0])), 1);
  ASSERT_EQ(t.skip(), 1);
  EXPECT_EQ(t.recno(), 3u);
  ASSERT_EQ(t.select_tag("LOCAL_NAME_TAG"), 1);
  EXPECT_EQ(t.seek(bytes_of("n2")), 1);
  EXPECT_EQ(t.recno(), 3u);
}

std::vector<std::uint32_t> order_of(xbase_table& t) {
  std::vector<std::uint32_t> out;
  for (int rc = t.top(); rc == 1; rc = t.skip()) out.push_back(t.recno());
  return out;
}

// Rewriting a row moves its keys; deleting keeps them until the pack renumbers the rows.
TEST(XbaseWrite, WriteDeleteAndPackKeepTagsInStep) {
  temp_dir dir;
  xbase_table t;
  ASSERT_EQ(t.create(dir / "e", ETHERS_FIELDS, ETHERS_TAGS), 1);
  for (const char* name : {"delta", "alpha", "charlie", "bravo"}) {
    t.blank();
    t.assign(0, bytes_of(std::string(6, name[0])));
    t.assign(1, bytes_of(name));
    ASSERT_EQ(t.append(), 1);
  }
  ASSERT_EQ(t.select_tag("LOCAL_NAME_TAG"), 1);
  EXPECT_EQ(order_of(t), (std::vector<std::uint32_t>{2, 4, 3, 1}));
  ASSERT_EQ(t.go(2), 1);
  t.assign(1, bytes_of("zulu"));
  ASSERT_EQ(t.write(), 1);
  EXPECT_EQ(order_of(t), (std::vector<std::uint32_t>{4, 3, 1, 2}));
  ASSERT_EQ(t.go(3), 1);
  ASSERT_EQ(t.delete_record(), 1);
  EXPECT_EQ(order_of(t), (std::vector<std::uint32_t>{4, 3, 1, 2}));
  ASSERT_EQ(t.pack(), 1);
  EXPECT_EQ(t.record_count(), 3u);
  EXPECT_EQ(order_of(t), (std::vector<std::uint32_t>{3, 1, 2}));
  ASSERT_EQ(t.seek(bytes_of("zulu")), 1);
  EXPECT_EQ(t.recno(), 2u);
  for (std::uint32_t r = 1; r <= 3; ++r) {
    ASSERT_EQ(t.go(r), 1);
    ASSERT_EQ(t.delete_record(), 1);
  }
  ASSERT_EQ(t.pack(), 1);
  EXPECT_EQ(t.record_count(), 0u);
  EXPECT_EQ(t.top(), 0);
  EXPECT_EQ(std::filesystem::file_size(dir / "e.dbf"), 194u);  // header and the end mark
}

void overwrite(const std::string& path, std::size_t offset, const std::string& bytes) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Each way an index stops describing its table is found at open and repaired silently.
TEST(XbaseWrite, StaleIndexIsRebuiltAtOpen) {
  NODEWREN_NEEDS_SAMPLES();
  struct fault {
    const char* name;
    void (*apply)(const temp_dir& dir);
  };
  const fault faults[] = {
      {"row_rewritten_without_its_index", [](const temp_dir& d) { overwrite(d / "e.dbf", 193 + 93 + 1, "QQQQQQ"); }},
      {"append_not_indexed", [](const temp_dir& d) {
         overwrite(d / "e.dbf", 4, std::string("\x04", 1));
         overwrite(d / "e.dbf", 193 + 3 * 93, std::string(" ZZZZZZ") + std::string(86, ' ') + "\x1A");
       }},
      {"count_lowered", [](const temp_dir& d) { overwrite(d / "e.dbf", 4, std::string("\x02", 1)); }},
      {"index_of_another_table", [](const temp_dir& d) {
         std::filesystem::copy_file(SAMPLES + "small/ethers.cdx", d / "e.cdx", std::filesystem::copy_options::overwrite_existing);
       }},
      {"index_garbage", [](const temp_dir& d) { overwrite(d / "e.cdx", 0, std::string(4096, '\x5A')); }},
      {"index_truncated", [](const temp_dir& d) { std::filesystem::resize_file(d / "e.cdx", 1536); }},
      {"index_missing", [](const temp_dir& d) { std::filesystem::remove(d / "e.cdx"); }},
      {"leaf_key_bytes_flipped", [](const temp_dir& d) { overwrite(d / "e.cdx", 0xA00 + 511, "\x01"); }},
  };
  for (const fault& f : faults) {
    SCOPED_TRACE(f.name);
    temp_dir dir;
    {
      xbase_table t;
      ASSERT_EQ(t.create(dir / "e", ETHERS_FIELDS, ETHERS_TAGS), 1);
      for (const char* mac : {"AAAAAA", "BBBBBB", "CCCCCC"}) {
        t.blank();
        t.assign(0, bytes_of(mac));
        ASSERT_EQ(t.append(), 1);
      }
    }
    {
      xbase_table t;
      ASSERT_EQ(t.open(dir / "e", ETHERS_TAGS), 1);
      EXPECT_FALSE(t.index_rebuilt());
    }
    f.apply(dir);
    xbase_table t;
    ASSERT_EQ(t.open(dir / "e", ETHERS_TAGS), 1) << t.error();
    EXPECT_TRUE(t.index_rebuilt());
    ASSERT_EQ(t.select_tag("MAC_ADDR_TAG"), 1);
    EXPECT_EQ(order_of(t).size(), t.record_count());
    xbase_table again;
    ASSERT_EQ(again.open(dir / "e", ETHERS_TAGS), 1);
    EXPECT_FALSE(again.index_rebuilt());
  }
}

// Read back through Debian's python3-dbfread, which shares no code with this engine.
TEST(XbaseWrite, IndependentReaderSeesTheSameRows) {
  NODEWREN_NEEDS_SAMPLES();
  if (std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") != 0) GTEST_SKIP() << "python3-dbfread missing";
  temp_dir dir;
  xbase_table t;
  ASSERT_EQ(t.create(dir / "ethers", ETHERS_FIELDS, ETHERS_TAGS), 1);
  copy_rows("small", t);
  const std::string out = dir / "rows.txt";
  const std::string cmd = "/usr/bin/python3 -c \"import dbfread,sys\n"
                          "t = dbfread.DBF(sys.argv[1], raw=True)\n"
                          "print(' '.join(f.name for f in t.fields))\n"
                          "for r in t: print(' '.join(v.hex().upper() for v in r.values()))\" " +
                          (dir / "ethers.dbf") + " > " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(out);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "MAC_ADDR LOCAL_NAME IP_ADDR IP_NAME IP_RESOLVE");
  std::uint32_t rows = 0;
  for (std::uint32_t r = 1; r <= t.record_count(); ++r, ++rows) {
    ASSERT_EQ(t.go(r), 1);
    std::string want;
    for (int f = 0; f < 5; ++f) {
      auto v = t.field(f);
      want += (f ? " " : "") + hex(std::string(v.begin(), v.end()));
    }
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, want) << "record " << r;
  }
  EXPECT_FALSE(std::getline(in, line));
  EXPECT_EQ(rows, 12u);
}

}  // namespace
}  // namespace nw

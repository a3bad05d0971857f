// Reading tables and compound indexes written by another engine, and damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/xbase_test_support.h"
#include "xbase/xbase.h"

namespace nw {
namespace {

using namespace xbase_test;

const char* const SETS[] = {"empty", "small", "unpacked", "big", "bigpacked"};

// Both tags walk (from the root and along the leaf siblings) exactly as the other engine
// listed them, and every listed key is the field the table holds for that record.
TEST(XbaseSamples, TagsWalkAsListedAndMatchTheTable) {
  NODEWREN_NEEDS_SAMPLES();
  for (const char* set : SETS) {
    SCOPED_TRACE(set);
    const listing l = read_listing(set);
    ASSERT_EQ(l.tag_names.size(), 2u);
    dbf_table table;
    ASSERT_EQ(table.open(SAMPLES + set + "/ethers.dbf"), 1) << table.error();
    EXPECT_EQ(table.record_count(), l.record_count);
    EXPECT_TRUE(table.structural_index());
    cdx_index index;
    ASSERT_EQ(index.open(SAMPLES + set + "/ethers.cdx"), 1) << index.error();
    ASSERT_EQ(index.tags().size(), 2u);
    std::vector<std::uint8_t> rec;
    for (int t = 0; t < 2; ++t) {
      const cdx_tag& tag = index.tags()[static_cast<std::size_t>(t)];
      EXPECT_EQ(tag.name, l.tag_names[static_cast<std::size_t>(t)]);
      EXPECT_EQ(tag.options, 0x60);
      EXPECT_TRUE(tag.filter.empty());
      EXPECT_FALSE(tag.descending);
      const std::vector<cdx_entry>& want = l.keys[static_cast<std::size_t>(t)];
      EXPECT_EQ(want.size(), l.record_count);
      EXPECT_TRUE(same_entries(walk_tag(index, t), want)) << tag.name;
      EXPECT_TRUE(same_entries(walk_tag(index, t, true), want)) << tag.name;
      const dbf_field& f = table.fields()[static_cast<std::size_t>(table.field_index(tag.expression))];
      EXPECT_EQ(f.width, tag.key_length);
      for (const cdx_entry& e : want) {
        ASSERT_EQ(table.read(e.rec, rec), 1);
        auto bytes = dbf_field_bytes(rec, f);
        ASSERT_EQ(std::string(bytes.begin(), bytes.end()), e.key) << "record " << e.rec;
      }
    }
  }
}

TEST(XbaseSamples, SeeksLandWhereTheOtherEngineLanded) {
  NODEWREN_NEEDS_SAMPLES();
  const listing l = read_listing("small");
  ASSERT_EQ(l.seeks.size(), 7u);
  cdx_index index;
  ASSERT_EQ(index.open(SAMPLES + "small/ethers.cdx"), 1);
  for (const listing::seek_line& s : l.seeks) {
    SCOPED_TRACE(s.tag + " " + hex(s.prefix));
    cdx_entry e;
    const int rc = index.seek(index.find_tag(s.tag), bytes_of(s.prefix), e);
    EXPECT_EQ(rc, s.found ? 1 : 0);
    // A failed exact seek is at the end in the listing; ours stays on the next key instead.
    if (s.found || s.rec != 0) {
      EXPECT_EQ(e.rec, s.rec);
    }
  }
}

TEST(XbaseSamples, TableHeaderAndRowsOfTheSmallSample) {
  NODEWREN_NEEDS_SAMPLES();
  dbf_table table;
  ASSERT_EQ(table.open(SAMPLES + "small/ethers.dbf"), 1);
  ASSERT_EQ(table.fields().size(), 5u);
  const char* names[] = {"MAC_ADDR", "LOCAL_NAME", "IP_ADDR", "IP_NAME", "IP_RESOLVE"};
  const unsigned widths[] = {6, 40, 4, 40, 2};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(table.fields()[i].name, names[i]);
    EXPECT_EQ(table.fields()[i].width, widths[i]);
    EXPECT_EQ(table.fields()[i].type, 'C');
  }
  EXPECT_EQ(table.record_length(), 93);
  EXPECT_EQ(table.field_index("local_name"), 1);
  EXPECT_EQ(table.field_index("NOPE"), -1);
  std::vector<std::uint8_t> rec;
  EXPECT_EQ(table.read(0, rec), 0);
  EXPECT_EQ(table.read(13, rec), 0);
  ASSERT_EQ(table.read(4, rec), 1);
  EXPECT_EQ(rec[0], DBF_LIVE);
  auto name = dbf_field_bytes(rec, table.fields()[1]);
  EXPECT_EQ(std::string(name.begin(), name.end()), std::string("alpha") + '\0' + std::string(34, ' '));
}

// The tag list stores 10-character names; a longer name finds its truncated form.
TEST(XbaseSamples, TagNamesAreCutToTenOnLookup) {
  NODEWREN_NEEDS_SAMPLES();
  cdx_index index;
  ASSERT_EQ(index.open(SAMPLES + "small/ethers.cdx"), 1);
  EXPECT_EQ(index.find_tag("MAC_ADDR_TAG"), index.find_tag("MAC_ADDR_T"));
  EXPECT_GE(index.find_tag("MAC_ADDR_TAG"), 0);
  EXPECT_GE(index.find_tag("local_name_tag"), 0);
  EXPECT_EQ(index.find_tag("MAC_ADDR"), -1);
  EXPECT_EQ(index.find_tag("IP_NAME"), -1);
}

// The facade accepts the other engine's index as matching its table, deleted rows included.
TEST(XbaseSamples, FacadeOpensEverySampleWithoutRebuilding) {
  NODEWREN_NEEDS_SAMPLES();
  for (const char* set : SETS) {
    SCOPED_TRACE(set);
    temp_dir dir;
    std::filesystem::copy_file(SAMPLES + set + "/ethers.dbf", dir / "ethers.dbf");
    std::filesystem::copy_file(SAMPLES + set + "/ethers.cdx", dir / "ethers.cdx");
    std::filesystem::permissions(dir.path, std::filesystem::perms::owner_all);
    for (const char* f : {"ethers.dbf", "ethers.cdx"})
      std::filesystem::permissions(dir / f, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    xbase_table t;
    ASSERT_EQ(t.open(dir / "ethers", {{"MAC_ADDR_TAG", "MAC_ADDR"}, {"LOCAL_NAME_TAG", "LOCAL_NAME"}}), 1) << t.error();
    EXPECT_FALSE(t.index_rebuilt());
    ASSERT_EQ(t.select_tag("MAC_ADDR_TAG"), 1);
    std::uint32_t visited = 0;
    for (int rc = t.top(); rc == 1; rc = t.skip()) ++visited;
    EXPECT_EQ(visited, t.record_count());
  }
}

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Each fault names what the damaged header claims; all fail with a text, none crashes.
TEST(XbaseDamage, DamagedTableHeadersAreRefused) {
  NODEWREN_NEEDS_SAMPLES();
  const std::vector<std::uint8_t> good = read_file(SAMPLES + "small/ethers.dbf");
  struct fault {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
    std::size_t cut;  // truncate to this size, 0 = keep
  };
  const fault faults[] = {
      {"unknown_version", 0, 0x42, 0},        {"header_length_too_small", 8, 0x10, 0},
      {"header_length_past_file", 9, 0xF0, 0}, {"record_length_mismatch", 10, 0x5E, 0},
      {"no_terminator", 192, 'X', 0},          {"field_width_zero", 32 + 16, 0, 0},
      {"field_name_empty", 32, 0, 0},          {"unknown_field_type", 32 + 11, 'Q', 0},
      {"only_part_of_a_header", 0, 0x03, 20},  {"empty_file", 0, 0x03, 1},
  };
  temp_dir dir;
  for (const fault& f : faults) {
    SCOPED_TRACE(f.name);
    std::vector<std::uint8_t> bytes = good;
    bytes[f.offset] = f.value;
    if (f.cut) bytes.resize(f.cut - 1);
    write_file(dir / "t.dbf", bytes);
    dbf_table t;
    EXPECT_EQ(t.open(dir / "t.dbf"), -1);
    EXPECT_FALSE(t.error().empty());
  }
}

// A claimed count beyond the file keeps every whole record and no partial one.
TEST(XbaseDamage, CountPastTheEndKeepsTheWholeRecords) {
  NODEWREN_NEEDS_SAMPLES();
  std::vector<std::uint8_t> bytes = read_file(SAMPLES + "small/ethers.dbf");
  bytes[4] = 200;
  bytes.resize(194 + 5 * 93 + 40);
  temp_dir dir;
  write_file(dir / "t.dbf", bytes);
  dbf_table t;
  ASSERT_EQ(t.open(dir / "t.dbf"), 1);
  EXPECT_EQ(t.record_count(), 5u);
  EXPECT_TRUE(t.was_short());
}

// Random bytes over index pages: open and walks end with 1 or -1, never out of bounds.
TEST(XbaseDamage, CorruptIndexPagesNeverCrash) {
  NODEWREN_NEEDS_SAMPLES();
  const std::vector<std::uint8_t> good = read_file(SAMPLES + "big/ethers.cdx");
  temp_dir dir;
  std::mt19937 rng(7);
  int detected = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bytes = good;
    const int hits = 1 + round % 8;
    for (int i = 0; i < hits; ++i) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
    if (round % 50 == 49) bytes.resize((rng() % (bytes.size() / 512)) * 512);
    write_file(dir / "x.cdx", bytes);
    cdx_index index;
    if (index.open(dir / "x.cdx") < 0) {
      ++detected;
      continue;
    }
    for (int t = 0; t < static_cast<int>(index.tags().size()); ++t) {
      std::size_t n = 0;
      const int a = index.walk(t, [&](const cdx_entry&) { ++n; });
      const int b = index.walk_leaves(t, [&](const cdx_entry&) { ++n; });
      EXPECT_TRUE(a == 1 || a == -1);
      EXPECT_TRUE(b == 1 || b == -1);
      if (a < 0 || b < 0) ++detected;
      cdx_entry e;
      (void)index.seek(t, bytes_of("abc"), e);
      (void)index.insert(t, bytes_of("abc"), 5000);
    }
  }
  EXPECT_GT(detected, 100);
}

}  // namespace
}  // namespace nw

// The ethers table: file layout at first start, the reading and storing rules, group names,
// deletion, ordering, prefix search, and recovery from damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "namedb/cb_ether.h"
#include "tests/ethers_test_support.h"
#include "xbase/xbase.h"

namespace nw {
namespace {

using test::ip;
using test::mac;
using test::record;
using test::text_of;

class Ethers : public test::ethers_fixture {
 protected:
  void open() { ASSERT_EQ(ethers_open(options()), 1); }
  // The rows of the table in hardware-address order, each as "MAC|local|ip name|resolve".
  std::vector<std::string> listing() {
    std::vector<std::string> out;
    EXPECT_EQ(ethers_for_each([&](const name_record& r) {
                out.push_back(netaddr_to_text_new(r.hw) + "|" + r.local_name.value_or("-") + "|" +
                              r.ip_name.value_or("-") + "|" + std::to_string(r.resolve));
              }),
              1);
    return out;
  }
  // Edits a row of the closed table as other software would.
  void edit_row(std::uint32_t recno, int field, std::string_view value, bool mark_deleted = false) {
    xbase_table t;
    ASSERT_EQ(t.open(path("ethers")), 1) << t.error();
    ASSERT_EQ(t.go(recno), 1);
    if (!value.empty()) {
      t.assign(field, {reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
      ASSERT_EQ(t.write(), 1) << t.error();
    }
    if (mark_deleted) {
      ASSERT_EQ(t.delete_record(), 1);
    }
  }
};

TEST_F(Ethers, FirstStartCreatesTheTableAndIndexWithTheirLayout) {
  open();
  ethers_close();
  dbf_table table;
  ASSERT_EQ(table.open(path("ethers.dbf")), 1);
  EXPECT_EQ(table.record_count(), 0u);
  EXPECT_TRUE(table.structural_index());
  std::vector<std::string> fields;
  for (const dbf_field& f : table.fields()) fields.push_back(f.name + ":" + f.type + std::to_string(f.width));
  EXPECT_EQ(fields, (std::vector<std::string>{"MAC_ADDR:C6", "LOCAL_NAME:C40", "IP_ADDR:C4", "IP_NAME:C40",
                                              "IP_RESOLVE:C2"}));
  cdx_index index;
  ASSERT_EQ(index.open(path("ethers.cdx")), 1);
  ASSERT_EQ(index.tags().size(), 2u);
  for (const auto& [tag, expression] : {std::pair{"MAC_ADDR_TAG", "MAC_ADDR"}, {"LOCAL_NAME_TAG", "LOCAL_NAME"}}) {
    const int t = index.find_tag(tag);
    ASSERT_GE(t, 0) << tag;
    const cdx_tag& d = index.tags()[static_cast<std::size_t>(t)];
    EXPECT_EQ(d.expression, expression);
    EXPECT_TRUE(d.filter.empty());
    EXPECT_FALSE(d.descending);
    EXPECT_EQ(d.options & CDX_OPT_UNIQUE, 0);
  }
}

TEST_F(Ethers, RowsSurviveCloseAndAreCopiedToTheBackups) {
  open();
  ASSERT_EQ(ethers_store(record("00:A0:C9:14:C8:29", "printer", "192.168.1.10", "lp", 1)), 1);
  ethers_close();
  EXPECT_EQ(bytes("ethers.dbf.bak"), bytes("ethers.dbf"));
  EXPECT_EQ(bytes("ethers.cdx.bak"), bytes("ethers.cdx"));
  open();
  auto r = ethers_lookup_address(mac("00:A0:C9:14:C8:29"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->local_name, "printer");
  EXPECT_EQ(text_of(r->ip), "192.168.1.10");
  EXPECT_EQ(r->ip_name, "lp");
  EXPECT_EQ(r->resolve, 1);
}

// Names are kept NUL-terminated: the row holds "name\0" and blanks, which other software reads.
TEST_F(Ethers, NamesUpToFortyCharactersAreKeptAndLongerOnesCut) {
  open();
  const std::string n39(39, 'a');
  const std::string n40(40, 'b');
  const std::string n41 = std::string(40, 'c') + "X";
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:39", n39, std::nullopt, n39, 1)), 1);
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:40", n40, std::nullopt, n40, 1)), 1);
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:41", n41, std::nullopt, std::nullopt, 1)), 1);
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:05", "short", std::nullopt, std::nullopt, 1)), 1);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:39"))->local_name, n39);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:39"))->ip_name, n39);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:40"))->local_name, n40);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:40"))->ip_name, n40);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:41"))->local_name, std::string(40, 'c'));
  ethers_close();
  dbf_table table;
  ASSERT_EQ(table.open(path("ethers.dbf")), 1);
  std::vector<std::uint8_t> row;
  ASSERT_EQ(table.read(4, row), 1);
  const std::string local(row.begin() + 1 + 6, row.begin() + 1 + 6 + 40);
  EXPECT_EQ(local, std::string("short\0", 6) + std::string(34, ' '));
}

TEST_F(Ethers, StoringUpdatesExactlyAsGiven) {
  open();
  const char* hw = "00:A0:C9:14:C8:29";
  ASSERT_EQ(ethers_store(record(hw, "printer", "10.0.0.1", "lp", 1)), 1);
  // No local name: the stored one stays; resolve 1 without IP data clears it.
  ASSERT_EQ(ethers_store(record(hw, std::nullopt, std::nullopt, std::nullopt, 1)), 1);
  auto r = ethers_lookup_address(mac(hw));
  EXPECT_EQ(r->local_name, "printer");
  EXPECT_FALSE(r->ip);
  EXPECT_FALSE(r->ip_name);
  // An empty local name is a name given: it clears the stored one.
  ASSERT_EQ(ethers_store(record(hw, "", "10.0.0.2", "lp2", 1)), 1);
  r = ethers_lookup_address(mac(hw));
  EXPECT_FALSE(r->local_name);
  EXPECT_EQ(text_of(r->ip), "10.0.0.2");
  // Resolve 0 clears the stored IP data, so turning resolving back on shows none.
  ASSERT_EQ(ethers_store(record(hw, "renamed", "10.0.0.3", "lp3", 0)), 1);
  r = ethers_lookup_address(mac(hw));
  EXPECT_EQ(r->resolve, 0);
  EXPECT_EQ(r->local_name, "renamed");
  EXPECT_FALSE(r->ip);
  EXPECT_FALSE(r->ip_name);
  EXPECT_EQ(listing(), std::vector<std::string>{std::string(hw) + "|renamed||0"});
  ethers_close();
  // Cleared in the row itself, not only hidden: IP_ADDR is four zero bytes.
  dbf_table table;
  ASSERT_EQ(table.open(path("ethers.dbf")), 1);
  std::vector<std::uint8_t> row;
  ASSERT_EQ(table.read(1, row), 1);
  EXPECT_EQ(std::vector<std::uint8_t>(row.begin() + 47, row.begin() + 51), std::vector<std::uint8_t>(4, 0));
  EXPECT_EQ(row[51], 0);
}

TEST_F(Ethers, NewStationsTakeResolveAndIpDataOnlyWhenResolving) {
  open();
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:01", "quiet", "10.0.0.1", "q", 0)), 1);
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:02", std::nullopt, "10.0.0.2", "loud", 1)), 1);
  EXPECT_EQ(listing(), (std::vector<std::string>{"00:00:00:00:00:01|quiet||0", "00:00:00:00:00:02|-|loud|1"}));
  EXPECT_EQ(text_of(ethers_lookup_address(mac("00:00:00:00:00:02"))->ip), "10.0.0.2");
}

TEST_F(Ethers, OnlyHardwareAddressesAreStored) {
  open();
  name_record r;
  r.hw = ip("10.0.0.1");
  EXPECT_EQ(ethers_store(r), 0);
  r.hw = netaddr{};
  EXPECT_EQ(ethers_store(r), 0);
  EXPECT_EQ(ethers_lookup_host(r.hw).local_name, std::nullopt);
  r.hw = test::parse_addr(NETADDR_TR, "10:00:5A:4C:22:01");
  r.local_name = "ring station";
  EXPECT_EQ(ethers_store(r), 1);
  auto found = ethers_lookup_address(r.hw);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->hw.type->family, NETADDR_TR);
  EXPECT_EQ(found->local_name, "ring station");
  EXPECT_TRUE(listing().size() == 1);
}

TEST_F(Ethers, FirstSightingAddsTheStationAndGroupsTakeTheirName) {
  addr_name_table multicast(netaddr_functions);
  multicast.push_front(mac("FF:FF:FF:FF:FF:FF"), "Broadcast");
  multicast.push_front(mac("01:80:C2:00:00:00"), std::string(60, 'L'));
  ethers_options o = options();
  o.multicast = &multicast;
  ASSERT_EQ(ethers_open(o), 1);

  name_record r = ethers_lookup_host(mac("00:A0:C9:14:C8:29"));
  EXPECT_FALSE(r.local_name);
  EXPECT_EQ(r.resolve, 1);
  EXPECT_EQ(ethers_lookup_host(mac("FF:FF:FF:FF:FF:FF")).local_name, "Broadcast");
  EXPECT_EQ(ethers_lookup_host(mac("01:00:5E:00:00:FB")).local_name, "Multicast");
  EXPECT_EQ(ethers_lookup_host(test::parse_addr(NETADDR_TR, "C0:00:00:00:00:01")).local_name, "Multicast");
  EXPECT_EQ(ethers_lookup_host(mac("01:80:C2:00:00:00")).local_name, std::string(40, 'L'));
  // What the caller was told is what the table now holds; group rows do not resolve.
  EXPECT_EQ(listing(), (std::vector<std::string>{"00:A0:C9:14:C8:29|-|-|1", "01:00:5E:00:00:FB|Multicast||0",
                                                 "01:80:C2:00:00:00|" + std::string(40, 'L') + "||0",
                                                 "C0:00:00:00:00:01|Multicast||0", "FF:FF:FF:FF:FF:FF|Broadcast||0"}));
  // A second sighting reads the row rather than adding one.
  EXPECT_EQ(ethers_lookup_host(mac("FF:FF:FF:FF:FF:FF")).local_name, "Broadcast");
  EXPECT_EQ(listing().size(), 5u);
}

TEST_F(Ethers, WithoutATableLookupsAnswerAsForUnknownStations) {
  // A directory where the table is: it can be neither opened, restored nor created.
  std::filesystem::create_directories(dir_ / "ethers.dbf" / "x");
  write("ethers.dbf.bak", {1, 2, 3});
  EXPECT_EQ(ethers_open(options()), -1);
  EXPECT_EQ(ethers_lookup_host(mac("FF:FF:FF:FF:FF:FF")).local_name, "Multicast");
  EXPECT_EQ(ethers_lookup_host(mac("00:00:00:00:00:01")).resolve, 1);
  EXPECT_FALSE(ethers_lookup_address(mac("00:00:00:00:00:01")));
  EXPECT_EQ(ethers_store(record("00:00:00:00:00:01", "x", std::nullopt, std::nullopt, 1)), 0);
  EXPECT_EQ(ethers_for_each([](const name_record&) {}), 0);
}

TEST_F(Ethers, ResolveNHidesStoredIpDataAndDeletedRowsAreNotStations) {
  open();
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:01", "one", "10.0.0.1", "first", 1)), 1);
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:02", "two", "10.0.0.2", "second", 1)), 1);
  ethers_close();
  edit_row(1, 4, "N");
  edit_row(2, 0, "", true);
  open();
  auto r = ethers_lookup_address(mac("00:00:00:00:00:01"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->resolve, 0);
  EXPECT_FALSE(r->ip);
  EXPECT_FALSE(r->ip_name);
  // The listing is the editor's view: it shows the stored IP name of a non-resolving row.
  EXPECT_EQ(listing(), std::vector<std::string>{"00:00:00:00:00:01|one|first|0"});
  EXPECT_FALSE(ethers_lookup_address(mac("00:00:00:00:00:02")));
  EXPECT_FALSE(ethers_lookup_name("two"));
  EXPECT_FALSE(ethers_lookup_host(mac("00:00:00:00:00:02")).local_name);
  EXPECT_EQ(listing().size(), 2u);
}

TEST_F(Ethers, DeleteRemovesTheStationAndDeleteAllEmptiesTheTable) {
  open();
  for (int i = 0; i < 20; ++i) {
    const std::string hw = "00:00:00:00:00:" + std::to_string(10 + i);
    ASSERT_EQ(ethers_store(record(hw, "n" + std::to_string(i), std::nullopt, std::nullopt, 1)), 1);
  }
  EXPECT_EQ(ethers_delete(mac("00:00:00:00:00:15")), 1);
  EXPECT_EQ(ethers_delete(mac("00:00:00:00:00:15")), 0);
  EXPECT_FALSE(ethers_lookup_address(mac("00:00:00:00:00:15")));
  EXPECT_FALSE(ethers_lookup_name("n5"));
  EXPECT_TRUE(ethers_lookup_address(mac("00:00:00:00:00:16")));
  EXPECT_EQ(listing().size(), 19u);
  EXPECT_EQ(ethers_delete_all(), 1);
  EXPECT_TRUE(listing().empty());
  EXPECT_FALSE(ethers_lookup_name("n"));
  // Still usable after the packs.
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:99", "again", std::nullopt, std::nullopt, 1)), 1);
  EXPECT_EQ(ethers_lookup_name("ag")->local_name, "again");
  ethers_close();
  dbf_table table;
  ASSERT_EQ(table.open(path("ethers.dbf")), 1);
  EXPECT_EQ(table.record_count(), 1u);
}

TEST_F(Ethers, ForEachVisitsInAddressOrderAndLookupNameSeeksAPrefix) {
  open();
  std::vector<std::string> hws;
  for (int i = 0; i < 300; ++i) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:00:00:%02X:01", (i * 37) & 0xFE, i & 0xFF, i >> 8);
    hws.push_back(text);
  }
  std::shuffle(hws.begin(), hws.end(), std::mt19937(7));
  for (const auto& hw : hws) ASSERT_EQ(ethers_store(record(hw, "host-" + hw, std::nullopt, std::nullopt, 1)), 1);
  std::sort(hws.begin(), hws.end());
  std::vector<std::string> seen;
  ASSERT_EQ(ethers_for_each([&](const name_record& r) { seen.push_back(netaddr_to_text_new(r.hw)); }), 1);
  EXPECT_EQ(seen, hws);

  ASSERT_EQ(ethers_store(record("02:00:00:00:00:01", "beta", std::nullopt, std::nullopt, 1)), 1);
  ASSERT_EQ(ethers_store(record("02:00:00:00:00:02", "betamax", std::nullopt, std::nullopt, 1)), 1);
  EXPECT_EQ(ethers_lookup_name("bet")->local_name, "beta");
  EXPECT_EQ(ethers_lookup_name("beta")->local_name, "beta");
  EXPECT_EQ(ethers_lookup_name("betam")->local_name, "betamax");
  EXPECT_EQ(netaddr_to_text_new(ethers_lookup_name("betam")->hw), "02:00:00:00:00:02");
  EXPECT_FALSE(ethers_lookup_name("betamaxx"));
  EXPECT_FALSE(ethers_lookup_name("gamma"));
  EXPECT_FALSE(ethers_lookup_name(""));
  // The prefix search leaves address order selected.
  EXPECT_TRUE(ethers_lookup_address(mac("02:00:00:00:00:01")));
}

// The capture, name and window threads all use the table at once.
TEST_F(Ethers, ConcurrentStoresAndLookupsKeepEveryRow) {
  open();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 100; ++i) {
        char hw[18];
        std::snprintf(hw, sizeof hw, "00:00:00:00:%02X:%02X", t, i);
        (void)ethers_lookup_host(mac(hw));
        (void)ethers_store(record(hw, "t" + std::to_string(t), std::nullopt, std::nullopt, 1));
        (void)ethers_lookup_name("t");
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(listing().size(), 400u);
}

// ---- recovery ------------------------------------------------------------------------------

class EthersRecovery : public Ethers {
 protected:
  // A table of three stations, closed with its backups.
  void make_backed_up_table() {
    open();
    for (const char* hw : {"00:00:00:00:00:01", "00:00:00:00:00:02", "00:00:00:00:00:03"})
      ASSERT_EQ(ethers_store(record(hw, std::string("b") + hw, std::nullopt, std::nullopt, 1)), 1);
    ethers_close();
  }
};

TEST_F(EthersRecovery, AnUnreadableTableIsReplacedByTheBackupWithAMessage) {
  make_backed_up_table();
  open();
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:04", "after backup", std::nullopt, std::nullopt, 1)), 1);
  ethers_reset();  // no orderly close: the backup stays at three rows
  write("ethers.dbf", std::vector<std::uint8_t>(300, 0xEE));
  ASSERT_TRUE(messages_.empty());
  open();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Error Opening name database, Attempting to revert to backup");
  EXPECT_EQ(messages_[0].caption, "Ошибка");
  EXPECT_EQ(listing().size(), 3u);
  EXPECT_EQ(ethers_lookup_address(mac("00:00:00:00:00:02"))->local_name, "b00:00:00:00:00:02");
}

TEST_F(EthersRecovery, AnUnreadableTableWithoutBackupIsRecreatedEmpty) {
  make_backed_up_table();
  std::filesystem::remove(path("ethers.dbf.bak"));
  std::filesystem::remove(path("ethers.cdx.bak"));
  write("ethers.dbf", {0x03, 1, 2});
  open();
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(listing().empty());
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:09", "new", std::nullopt, std::nullopt, 1)), 1);
  EXPECT_EQ(ethers_lookup_name("new")->local_name, "new");
}

TEST_F(EthersRecovery, AnUnreadableBackupEndsInAnEmptyTable) {
  make_backed_up_table();
  write("ethers.dbf", {0xFF});
  write("ethers.dbf.bak", {0xFF, 0xFF});
  open();
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(listing().empty());
}

// The index is derived from the rows: its damage must not cost a row, or bring the backup back.
TEST_F(EthersRecovery, ADamagedIndexIsRebuiltFromTheRows) {
  make_backed_up_table();
  open();
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:04", "newest", std::nullopt, std::nullopt, 1)), 1);
  ethers_reset();
  for (const std::vector<std::uint8_t>& cdx : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>(1536, 0xAB)}) {
    write("ethers.cdx", cdx);
    open();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(listing().size(), 4u);
    EXPECT_EQ(ethers_lookup_name("newest")->local_name, "newest");
    ethers_reset();
  }
  std::filesystem::remove(path("ethers.cdx"));
  open();
  EXPECT_EQ(listing().size(), 4u);
  ethers_reset();
  // An index that cannot even be rewritten where it is.
  std::filesystem::remove(path("ethers.cdx"));
  std::filesystem::create_directory(path("ethers.cdx"));
  open();
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(listing().size(), 4u);
}

// Readable rows whose index cannot be written: the start fails, but the rows stay where they
// are and the older backups are not replaced by them at close.
TEST_F(EthersRecovery, AnIndexThatCannotBeWrittenCostsNeitherRowsNorBackups) {
  make_backed_up_table();
  open();
  ASSERT_EQ(ethers_store(record("00:00:00:00:00:04", "newest", std::nullopt, std::nullopt, 1)), 1);
  ethers_reset();
  const auto rows = bytes("ethers.dbf");
  const auto backup = bytes("ethers.dbf.bak");
  ASSERT_NE(rows, backup);
  std::filesystem::remove(path("ethers.cdx"));
  std::filesystem::create_directories(dir_ / "ethers.cdx" / "x");
  EXPECT_EQ(ethers_open(options()), -1);
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(ethers_lookup_address(mac("00:00:00:00:00:04")));
  ethers_close();
  EXPECT_EQ(bytes("ethers.dbf"), rows);
  EXPECT_EQ(bytes("ethers.dbf.bak"), backup);
  std::filesystem::remove_all(dir_ / "ethers.cdx");
  open();
  EXPECT_EQ(ethers_lookup_name("newest")->local_name, "newest");
}

// Any bytes in either file: the open never crashes and leaves a working table.
TEST_F(EthersRecovery, DamagedFilesOfAnyBytesLeaveAWorkingTable) {
  make_backed_up_table();
  const auto good_dbf = bytes("ethers.dbf");
  const auto good_cdx = bytes("ethers.cdx");
  std::mt19937 rng(1234);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    auto dbf = good_dbf;
    auto cdx = good_cdx;
    auto& victim = round % 2 == 0 ? dbf : cdx;
    if (round % 3 == 0) victim.resize(rng() % victim.size());
    for (int flips = 1 + static_cast<int>(rng() % 8); flips > 0 && !victim.empty(); --flips)
      victim[rng() % victim.size()] = static_cast<std::uint8_t>(rng());
    write("ethers.dbf", dbf);
    write("ethers.cdx", cdx);
    ASSERT_EQ(ethers_open(options()), 1);
    const std::size_t rows = listing().size();
    EXPECT_LE(rows, 3u);
    ASSERT_EQ(ethers_store(record("00:00:00:00:00:77", "probe", std::nullopt, std::nullopt, 1)), 1);
    EXPECT_EQ(ethers_lookup_name("probe")->local_name, "probe");
    EXPECT_EQ(listing().size(), rows + 1);
    ethers_reset();
    // A damaged index alone never costs a row.
    if (round % 2 == 1) {
      EXPECT_EQ(rows, 3u);
    }
  }
}

}  // namespace
}  // namespace nw

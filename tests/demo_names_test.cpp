// The demo stations' names in the name database: written into a directory without one, read
// back through the name database as the program reads them, and never written over a user's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "core/netaddr.h"
#include "namedb/cb_ether.h"
#include "tests/ethers_test_support.h"
#include "tools/demo_names.h"

namespace nw::demo {
namespace {

namespace fs = std::filesystem;

netaddr ether(const std::array<std::uint8_t, 6>& octets) {
  netaddr addr;
  netaddr_init(addr, NETADDR_ETHER);
  std::copy(octets.begin(), octets.end(), netaddr_bytes(addr));
  return addr;
}

std::string ip_text(const std::array<std::uint8_t, 4>& ip) {
  return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
         std::to_string(ip[3]);
}

class DemoNames : public test::ethers_fixture {
 protected:
  // Every file of the directory with its bytes.
  [[nodiscard]] std::map<std::string, std::vector<std::uint8_t>> snapshot() const {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      files[entry.path().filename().string()] = bytes(entry.path().filename().string());
    }
    return files;
  }
};

// Names must survive the 40-octet field whole, and the table must be unambiguous.
TEST_F(DemoNames, TheStationTableFitsTheNameDatabase) {
  std::set<std::string_view> names;
  std::set<std::array<std::uint8_t, 6>> macs;
  std::set<std::array<std::uint8_t, 4>> ips;
  for (const demo_station& s : demo_stations()) {
    EXPECT_FALSE(s.name.empty());
    EXPECT_LT(s.name.size(), ETHERS_NAME_MAX) << s.name;
    EXPECT_TRUE(names.insert(s.name).second) << s.name << " twice";
    EXPECT_TRUE(macs.insert(s.mac).second) << s.name << ": MAC twice";
    EXPECT_EQ(s.mac[0] & 0x01, 0) << s.name << ": a group address would be named as a group";
    if (s.ip != std::array<std::uint8_t, 4>{}) {
      EXPECT_TRUE(ips.insert(s.ip).second) << s.name << ": IP twice";
    }
  }
}

TEST_F(DemoNames, AnEmptyDirectoryGetsEveryStationsName) {
  std::string error;
  ASSERT_EQ(demo_names_write(dir_.string(), &error), 1) << error;
  ASSERT_EQ(ethers_open(options()), 1);
  for (const demo_station& s : demo_stations()) {
    const std::optional<name_record> r = ethers_lookup_address(ether(s.mac));
    ASSERT_TRUE(r.has_value()) << s.name;
    EXPECT_EQ(r->local_name, std::string(s.name));
    EXPECT_FALSE(r->ip_name.has_value()) << s.name << ": IP names are for the look-ups to find";
    const bool speaks_ip = s.ip != std::array<std::uint8_t, 4>{};
    if (s.role == station_role::router || !speaks_ip) {
      EXPECT_EQ(r->resolve, 0) << s.name;
      EXPECT_FALSE(r->ip.has_value()) << s.name;
    } else {
      EXPECT_EQ(r->resolve, 1) << s.name;
      EXPECT_EQ(test::text_of(r->ip), ip_text(s.ip)) << s.name;
    }
  }
  // The name tag finds the stations too, as the host-name cache asks for them.
  const demo_station& cad = *std::find_if(demo_stations().begin(), demo_stations().end(), [](const demo_station& s) {
    return s.role == station_role::cad_workstation;
  });
  const std::optional<name_record> by_name = ethers_lookup_name(cad.name);
  ASSERT_TRUE(by_name.has_value());
  EXPECT_EQ(netaddr_compare(by_name->hw, ether(cad.mac)), 0);
  std::size_t rows = 0;
  EXPECT_EQ(ethers_for_each([&](const name_record&) { ++rows; }), 1);
  EXPECT_EQ(rows, demo_stations().size());
}

TEST_F(DemoNames, AUsersDatabaseIsLeftByteForByte) {
  ASSERT_EQ(ethers_open(options()), 1);
  ASSERT_EQ(ethers_store(test::record("02:4E:57:10:00:01", "MY-ROUTER", std::nullopt, std::nullopt, 0)), 1);
  ethers_close();
  const auto before = snapshot();
  ASSERT_TRUE(before.contains("ethers.dbf"));
  std::string error;
  EXPECT_EQ(demo_names_write(dir_.string(), &error), 0);
  EXPECT_EQ(snapshot(), before);
}

// The program, finding no table, would start an empty one and overwrite the backup at its
// next shutdown: a backup alone is a user's database as well.
TEST_F(DemoNames, ALoneBackupCountsAsADatabase) {
  write("ethers.dbf.bak", {1, 2, 3});
  const auto before = snapshot();
  std::string error;
  EXPECT_EQ(demo_names_write(dir_.string(), &error), 0);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(DemoNames, AFailureIsReportedAndLeavesNothingBehind) {
  const fs::path missing = dir_ / "no-such-directory";
  std::string error;
  EXPECT_EQ(demo_names_write(missing.string(), &error), -1);
  EXPECT_NE(error.find("no-such-directory"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_TRUE(snapshot().empty());
}

}  // namespace
}  // namespace nw::demo

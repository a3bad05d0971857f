// The address-name files: line syntax, comments, line pieces, hostile content, address keys.
#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/parse.h"
#include "tests/netaddr_test_support.h"

namespace nw {
namespace {

using namespace std::literals;

class AddrFile : public test::with_families {
 protected:
  void SetUp() override {
    test::with_families::SetUp();
    std::string pattern = (std::filesystem::temp_directory_path() / "nodewren-addr-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::unique_ptr<addr_name_table> load(const std::string& content) {
    std::ofstream(dir_ / "names", std::ios::binary) << content;
    return addr_file_load((dir_ / "names").string());
  }

  std::filesystem::path dir_;
};

// The name stored for a hardware address text, or "(none)".
std::string name_of(const addr_name_table& table, std::string_view text) {
  const std::string* name = table.find(test::parse_addr(NETADDR_ETHER, text));
  return name != nullptr ? *name : "(none)";
}

TEST_F(AddrFile, LineGivesSixHexFieldsAndANameThatStopsAtBlanksAndColons) {
  struct row {
    std::string_view line, address, name;  // no address: the line is refused
  };
  const std::string long_name(900, 'n');
  const std::string long_line = "00:00:00:00:00:07 " + long_name;
  const row rows[] = {
      {"00:00:0C:00:00:00 Vendor Systems", "00:00:0C:00:00:00", "Vendor"},
      {"01-00-5E-00-00-01\tAll-Hosts\n", "01:00:5E:00:00:01", "All-Hosts"},
      {"00:00:0C:00:00:00-Vendor.Inc", "00:00:0C:00:00:00", "Vendor.Inc"},  // the sixth field's end
      {"00:00:0C:00:00:00.-x", "00:00:0C:00:00:00", "-x"},  // only one delimiter goes with it
      {"aa:bb:cc:dd:ee:ff::: Name:Rest", "AA:BB:CC:DD:EE:FF", "Name"},
      {long_line, "00:00:00:00:00:07", std::string_view(long_name).substr(0, 511)},
      {"00:00:0C:00:00:00 \t\n", "", ""},
      {"00-a0-c9-14-c8 Five", "", ""},  // "Five" is the sixth field; no name is left
      {"00:00:0C:00:00:00\0Hidden"sv, "", ""},
  };
  for (const auto& r : rows) {
    netaddr addr = test::parse_addr(NETADDR_ETHER, "11:11:11:11:11:11");
    std::string name = "before";
    EXPECT_EQ(addr_line_parse(r.line, addr, name), r.address.empty() ? -1 : 0) << r.line;
    EXPECT_EQ(netaddr_to_text_new(addr), r.address.empty() ? "11:11:11:11:11:11" : r.address) << r.line;
    EXPECT_EQ(name, r.address.empty() ? "before" : r.name) << r.line;  // a refused line changes nothing
  }
}

TEST_F(AddrFile, CommentsBlankLinesAndBadLinesAreSkippedAndTheLastNameWins) {
  const auto table = load(
      "# manufacturers\n"
      "   # 00:00:00:00:00:01 Commented\n"
      "\n"
      "  \t00:00:0C:00:00:00 Vendor Systems\n"
      "00-a0-c9-14-c8 FiveFields\n"
      "08:00:20:00:00:00 First\r\n"
      "01-00-5E-00-00-01 All-Hosts\r\n"
      "08.00.20.00.00.00 Second\n"
      "\r\n"
      "no address here at all\n"
      "FF:FF:FF:FF:FF:FF Broadcast");  // no newline at the end
  EXPECT_EQ(table->count(), 4U);
  EXPECT_EQ(name_of(*table, "00:00:0C:00:00:00"), "Vendor");
  EXPECT_EQ(name_of(*table, "08:00:20:00:00:00"), "Second");
  EXPECT_EQ(name_of(*table, "01:00:5E:00:00:01"), "All-Hosts");  // CR LF leaves no CR in the name
  EXPECT_EQ(name_of(*table, "FF:FF:FF:FF:FF:FF"), "Broadcast");
}

TEST_F(AddrFile, LongLinesAreReadInPiecesOfAtMost1023Characters) {
  // A 3000-character comment: its second piece starts with an address and is read as a line of
  // its own. The filler has no hex digit, so a piece boundary one off would change the address.
  const std::string comment = "#" + std::string(ADDR_LINE_MAX - 1, 'z');
  std::string piece2 = "12:34:56:78:9A:BC Piece ";
  piece2 += std::string(ADDR_LINE_MAX - piece2.size(), 'p');
  const std::string piece3(3000 - comment.size() - piece2.size(), 'q');
  const auto table = load(comment + piece2 + piece3 + "\n00:00:0C:00:00:01 After\n");
  EXPECT_EQ(table->count(), 2U);
  EXPECT_EQ(name_of(*table, "12:34:56:78:9A:BC"), "Piece");
  EXPECT_EQ(name_of(*table, "00:00:0C:00:00:01"), "After");
}

TEST_F(AddrFile, HostileContentIsSkippedWithoutLosingTheLinesAround) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131) & 0xFF));
  const auto table = load("00:00:00:00:00:0A Na\0me\n"s +  // the name ends at the NUL
                          std::string(100 * 1024, ':') + "\n00:00:00:00:00:0B Kept\n" + junk +
                          "\n\r\r\n\n00:00:00:00:00:0C Also-kept");
  EXPECT_EQ(name_of(*table, "00:00:00:00:00:0A"), "Na");
  EXPECT_EQ(name_of(*table, "00:00:00:00:00:0B"), "Kept");
  EXPECT_EQ(name_of(*table, "00:00:00:00:00:0C"), "Also-kept");
  table->foreach ([](const netaddr& key, const std::string& name) {
    EXPECT_EQ(key.type, netaddr_type_of(NETADDR_ETHER));
    EXPECT_LE(name.size(), ADDR_NAME_MAX);
    EXPECT_EQ(name.find_first_of(": \t\n"s + '\0'), std::string::npos);
  });
}

TEST_F(AddrFile, AnUnreadableFileGivesAnEmptyTable) {
  EXPECT_EQ(addr_file_load((dir_ / "missing").string())->count(), 0U);
  EXPECT_EQ(addr_file_load(dir_.string())->count(), 0U);  // a directory
  netaddr_registry_init();                                 // no Ethernet family to key by
  EXPECT_EQ(load("00:00:0C:00:00:00 Vendor\n")->count(), 0U);
}

TEST_F(AddrFile, ThousandsOfAddressKeysStayDistinctAndReachable) {
  // Three makers' prefixes, low octets with and without the high bit: chains of ~23 keys.
  const std::uint8_t ouis[3][3] = {{0x00, 0x00, 0x0C}, {0x08, 0x00, 0x20}, {0xF4, 0xCE, 0x46}};
  addr_name_table table(netaddr_functions);
  for (const auto& oui : ouis) {
    for (unsigned i = 0; i < 2000; ++i) {
      const auto hi = static_cast<std::uint8_t>(i >> 8);
      const netaddr addr = test::make_addr(
          NETADDR_ETHER, {oui[0], oui[1], oui[2], static_cast<std::uint8_t>(hi != 0 ? 0x80 : 0), hi,
                          static_cast<std::uint8_t>(i)});
      EXPECT_EQ(ht_insert_copy(table, addr, netaddr_to_text_new(addr)), 0);
    }
  }
  EXPECT_EQ(table.count(), 6000U);
  std::size_t found = 0;
  table.foreach ([&](const netaddr& key, const std::string& text) {
    const std::string* value = table.find(key);
    if (value != nullptr && *value == text && netaddr_to_text_new(key) == text) ++found;
  });
  EXPECT_EQ(found, 6000U);
  EXPECT_EQ(name_of(table, "F4:CE:46:80:07:CF"), "F4:CE:46:80:07:CF");
  EXPECT_EQ(name_of(table, "F4:CE:46:00:07:CF"), "(none)");
}

}  // namespace
}  // namespace nw

// The address-name files the program ships: the maker names made from the IEEE registry, the
// generated manufacturer table and the hand-written list of group addresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/parse.h"
#include "tests/netaddr_test_support.h"
#include "tools/manf_names.h"

namespace nw::manf {
namespace {

struct naming_case {
  const char* organization;
  const char* name;
};

void expect_names(const std::vector<naming_case>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(maker_name(c.organization), c.name) << "for \"" << c.organization << '"';
  }
}

TEST(MakerName, DropsLegalFormsInTheirManySpellings) {
  expect_names({
      {"Cisco Systems, Inc", "Cisco"},
      {"Samsung Electronics Co.,Ltd", "Samsung"},
      {"Magna Electronics Europe GmbH & Co. OHG", "Magna-Electronics"},
      {"RAFI GmbH & Co.KG", "RAFI"},
      {"Leipold+Co.GmbH", "Leipold"},
      {"ACT.CO.LTD", "ACT"},
      {"R.I.CO. S.r.l.", "R.I.CO."},  // the glued "CO" belongs to the name here
      {"bioMerieux Italia S.p.A.", "bioMerieux-Italia"},
      {"CDR Sp. z o.o. Sp. k.", "CDR"},
      {"INTEGRATED ENGINEERING B. V.", "Integrated"},
      {"Amplex A/S", "Amplex"},
      {"Conrad Electronic SE", "Conrad"},
      {"CAPTOR NV/SA", "Captor"},
      {"Wachter GmbH Sicherheitssysteme", "Wachter"},
      {"Best IT World (India) Pvt Ltd", "Best-IT-World"},
      {"Aruba, a Hewlett Packard Enterprise Company", "Aruba"},
  });
}

TEST(MakerName, DropsLegalFormsAndTitlesInFront) {
  expect_names({
      {"UAB \"Teltonika Telematics\"", "Teltonika-Telematics"},
      {"PT. Hartono Istana Teknologi", "Hartono-Istana"},
      {"The Silk Technologies ILC LTD", "Silk-Technologies"},
      {"Dr. Ing. h.c. F. Porsche AG", "F-Porsche"},
      {"A Beltr\xc3\xb3nica-Companhia de Comunica\xc3\xa7\xc3\xb5"
       "es, Lda",
       "Beltronica-Companhia"},
  });
}

TEST(MakerName, KeepsWholeWordsThatFitAndNeverEndsOnAJoiningWord) {
  expect_names({
      {"Hewlett Packard", "Hewlett-Packard"},
      {"Taiwan Semiconductor Manufacturing Co., Ltd.", "Taiwan-Semiconductor"},
      {"IEEE Registration Authority", "IEEE-Registration"},
      {"Royal Melbourne Inst of Tech", "Royal-Melbourne-Inst"},
      {"Ory Solucoes em Comercio de Informatica Ltda.", "Ory-Solucoes"},
      {"JOHNSON & JOHNSON MEDICAL, INC", "Johnson&Johnson"},
  });
}

TEST(MakerName, DropsGenericWordsOnlyWhenSomethingTellingIsLeft) {
  expect_names({
      {"Juniper Networks", "Juniper"},
      {"Intel Corporate", "Intel"},
      {"LG Electronics", "LG-Electronics"},
      {"Intelligent Systems", "Intelligent-Systems"},
      {"Shenzhen Electronics Co., Ltd.", "Shenzhen-Electronics"},
      {"International Business Machines", "IBM"},
  });
}

TEST(MakerName, LetsACityInFrontGiveWayToTheMaker) {
  expect_names({
      {"Shenzhen Haitianxiong Electronic Co., Ltd.", "Haitianxiong"},
      {"BEIJING HAIHEJINSHENG NETWORK TECHNOLOGY CO. LTD.", "Haihejinsheng"},
      {"Shenzhen Ceres Technology Co., Ltd.", "Shenzhen-Ceres"},  // both fit: the city stays
  });
}

TEST(MakerName, PutsShoutedNamesInReadableCaseButKeepsAcronyms) {
  expect_names({
      {"NETWORK RESEARCH CORPORATION", "Network-Research"},
      {"HON HAI-CCPBG  PRECISION IND.CO.,LTD.", "HON-HAI-CCPBG"},
      {"ORBISAT DA AMAZONIA IND E AEROL SA", "Orbisat-da-Amazonia"},
      {"TP-LINK TECHNOLOGIES CO.,LTD.", "TP-Link"},
      {"CERN", "CERN"},
      {"Shenzhen YOUHUA Technology Co., Ltd", "Shenzhen-YOUHUA"},  // mixed case: as registered
  });
}

TEST(MakerName, SpellsOtherScriptsAndPunctuationInAscii) {
  expect_names({
      {"W\u00e4chter GmbH", "Wachter"},
      {"Wa\u0308chter GmbH", "Wachter"},  // decomposed: a and a combining diaeresis
      {"\u00d8resund \u00c6ble ApS", "Oresund-AEble"},
      {"Ar\u00e7elik A.\u015e.", "Arcelik"},
      {"SHENZHEN BILIAN ELECTRONIC CO.\uff0cLTD", "Shenzhen-Bilian"},  // wide comma
      {"\u676d\u5dde\u5fb7\u6f9c\u79d1\u6280\uff08HangZhou Delan Technology Co.,Ltd\uff09",
       "HangZhou-Delan"},
      {"SHENZHEN\u2002TONG BO WEI\u2002TECHNOLOGY Co.,LTD", "Shenzhen-Tong-BO-WEI"},
      {"\u200bASUNG TECHNO CO.,Ltd", "Asung-Techno"},
      {"Bad \xff\xfe bytes\xc3", "Bad-bytes"},
      {"R&amp;M AG", "R&M"},
      {"byd:sign Corporation", "byd-sign"},
      {"@Track Communications, Inc.", "Track"},
      {"I/O Interconnect Inc.", "I/O-Interconnect"},
      {"Harman/Becker Automotive Systems GmbH", "Harman-Becker"},
  });
}

TEST(MakerName, CutsOnlyAFirstWordThatCannotFit) {
  expect_names({
      {"Elektronikspecialisten i Borlange AB", "Elektronikspecialist"},
      {"InnosiliconTechnology Ltd", "Innosilicon"},
  });
}

TEST(MakerName, TakesShortAndDegenerateNamesAsTheyCome) {
  expect_names({
      {"IBM", "IBM"},
      {"Private", "Private"},
      {"Cisco   Systems ,  Inc", "Cisco"},
      {"  Quanzhou  TDX Electronics Co., Ltd\t", "Quanzhou-TDX"},
      {"Co., Ltd.", "Co"},
      {"", ""},
      {"( -- )", ""},
      {"\xe6\x9d\xad\xe5\xb7\x9e", ""},
  });
}

// Whatever the registry holds, a name must survive the address-file reader whole.
TEST(MakerName, AnyInputGivesANameTheReaderKeepsWhole) {
  const std::vector<std::string> pieces{
      "a", "Z", "9", " ", "  ", ",", ".", "-", ":", "&", "+", "/", "(", ")", "\"", "'", "\t",
      "\u00e4", "\u0308", "\u200b", "\uff0c", "\u676d", "\xff", "Co.", "Ltd", "GmbH", "Shenzhen",
      "Systems", "of", "A/S", "INTERNATIONAL", "Abcdefghijklmnopqrstuvwxyz"};
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 14);
  for (int round = 0; round < 20000; ++round) {
    std::string organization;
    for (int n = length(random); n > 0; --n) organization += pieces[pick(random)];
    const std::string name = maker_name(organization);
    ASSERT_LE(name.size(), MAX_NAME_LENGTH) << organization;
    for (const char c : name) {
      ASSERT_TRUE(c > ' ' && c < 0x7F && c != ':')
          << "'" << name << "' from '" << organization << "'";
    }
  }
}

TEST(RegistryCsv, ReadsQuotedFieldsAcrossLinesAndSkipsOtherRows) {
  std::istringstream csv(
      "Registry,Assignment,Organization Name,Organization Address\r\n"
      "MA-L,F4BD9E,\"Cisco Systems, Inc\",80 West Tasman Drive San Jose CA US 94568 \r\n"
      "MA-L,001ECB,\"\"\"RPC \"\"Energoautomatika\"\" Ltd\",\"Krasnokazarmennaya st.,\n13/1 Moscow\"\n"
      "MA-M,0055DA1,Some Maker,Somewhere\n"
      "MA-L,00D0EG,Not Hexadecimal,\n"
      "MA-L,00d0ef,IGT,9295 PROTOTYPE DRIVE RENO NV US 89511\n"
      "MA-L,1100AA,Private,");
  const auto rows = read_registry_csv(csv);
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(rows[0].prefix, 0xF4BD9EU);
  EXPECT_EQ(rows[0].organization, "Cisco Systems, Inc");
  EXPECT_EQ(rows[1].prefix, 0x001ECBU);
  EXPECT_EQ(rows[1].organization, "\"RPC \"Energoautomatika\" Ltd");
  EXPECT_EQ(rows[2].prefix, 0x00D0EFU);
  EXPECT_EQ(rows[2].organization, "IGT");
  EXPECT_EQ(rows[3].prefix, 0x1100AAU);
  EXPECT_EQ(rows[3].organization, "Private");
}

TEST(ManfLines, SortsByPrefixKeepsTheFirstRegistrationAndSkipsNamelessOnes) {
  const std::vector<assignment> rows{{0x080030, "NETWORK RESEARCH CORPORATION"},
                                     {0x00000C, "Cisco Systems, Inc"},
                                     {0x080030, "CERN"},
                                     {0xABCDEF, "\xe6\x9d\xad\xe5\xb7\x9e"},
                                     {0x0001C8, "THOMAS CONRAD CORP."}};
  EXPECT_EQ(manf_lines(rows),
            (std::vector<std::string>{"00:00:0C:00:00:00 Cisco", "00:01:C8:00:00:00 Thomas-Conrad",
                                      "08:00:30:00:00:00 Network-Research"}));
}

// ---- The shipped files ----------------------------------------------------------------------

struct entry {
  std::uint64_t address = 0;
  std::string name;
};

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Stricter than the reader: exactly "XX:XX:XX:XX:XX:XX Name" in upper case, and a name the reader
// takes whole.
bool parse_line(const std::string& line, entry& e) {
  if (line.size() < 19 || line[17] != ' ') return false;
  e.address = 0;
  for (std::size_t i = 0; i < 17; ++i) {
    const char c = line[i];
    if (i % 3 == 2) {
      if (c != ':') return false;
      continue;
    }
    if (!is_hex_digit(c)) return false;
    e.address = e.address << 4 | static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  e.name = line.substr(18);
  return e.name.size() <= MAX_NAME_LENGTH && std::all_of(e.name.begin(), e.name.end(), [](char c) {
           return c > ' ' && c < 0x7F && c != ':';
         });
}

// The entries of an address file; a failure for each line that is neither an entry nor a comment.
std::vector<entry> read_entries(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::vector<entry> entries;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    entry e;
    if (parse_line(line, e)) {
      entries.push_back(e);
    } else {
      ADD_FAILURE() << path << ':' << number << ": \"" << line << '"';
    }
  }
  return entries;
}

std::string name_of(const std::vector<entry>& entries, std::uint64_t address) {
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const entry& e) { return e.address == address; });
  return found == entries.end() ? "" : found->name;
}

TEST(ShippedManf, HoldsOneSortedPrefixLineForEveryNamedRegistration) {
  const auto entries = read_entries(NODEWREN_MANF_FILE);
  std::set<std::uint64_t> prefixes;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].address & 0xFFFFFFU, 0U) << entries[i].name;
    if (i > 0) {
      EXPECT_LT(entries[i - 1].address, entries[i].address) << entries[i].name;
    }
    prefixes.insert(entries[i].address >> 24);
  }

  std::ifstream registry(NODEWREN_OUI_CSV, std::ios::binary);
  std::set<std::uint64_t> registered;
  for (const auto& row : read_registry_csv(registry)) {
    if (!maker_name(row.organization).empty()) registered.insert(row.prefix);
  }
  EXPECT_GT(registered.size(), 10000U);
  EXPECT_EQ(prefixes, registered) << "the table is not the one the registry gives";
}

TEST(ShippedManf, NamesWellKnownMakersSensibly) {
  const auto entries = read_entries(NODEWREN_MANF_FILE);
  const std::map<std::uint64_t, std::string> expected{
      {0x00000C000000, "Cisco"},      {0x001B21000000, "Intel"},
      {0x08002B000000, "Digital-Equipment"}, {0x005056000000, "VMware"},
      {0xB827EB000000, "Raspberry-Pi"}, {0x00005E000000, "ICANN-IANA"}};
  for (const auto& [address, name] : expected) {
    EXPECT_EQ(name_of(entries, address), name) << std::hex << address;
  }
}

TEST(ShippedMulti, ListsUniqueGroupAddresses) {
  const auto entries = read_entries(NODEWREN_SOURCE_DIR "/data/multi");
  EXPECT_GT(entries.size(), 50U);
  std::set<std::uint64_t> seen;
  for (const auto& e : entries) {
    const auto first = static_cast<unsigned>(e.address >> 40);
    const bool functional = (e.address >> 32) == 0xC000;  // Token Ring, as on the ring
    EXPECT_TRUE((first & 1U) != 0 || functional) << e.name;
    EXPECT_TRUE(seen.insert(e.address).second) << e.name << " repeats an address";
    // An IPv4 group maps only its low 23 bits.
    if (e.address >> 24 == 0x01005E) {
      EXPECT_EQ(e.address & 0x800000U, 0U) << e.name;
    }
  }
}

TEST(ShippedMulti, NamesTheAddressesEverySegmentCarries) {
  const auto entries = read_entries(NODEWREN_SOURCE_DIR "/data/multi");
  EXPECT_EQ(name_of(entries, 0xFFFFFFFFFFFF), "Broadcast");
  EXPECT_EQ(name_of(entries, 0x01005E000001), "All-Hosts");
  EXPECT_EQ(name_of(entries, 0x333300000001), "IPv6-All-Nodes");
  EXPECT_EQ(name_of(entries, 0x0180C2000000), "STP-Bridge-Group");
  EXPECT_EQ(name_of(entries, 0xC00000000001), "Active-Monitor");
}

// The program reads both files through the address-file reader: every entry must come through it
// whole, and a host's maker is found with the host's last three octets cleared.
class ShippedFilesThroughTheReader : public test::with_families {};

TEST_F(ShippedFilesThroughTheReader, KeepEveryEntryAndItsName) {
  for (const char* path : {NODEWREN_MANF_FILE, NODEWREN_SOURCE_DIR "/data/multi"}) {
    SCOPED_TRACE(path);
    const auto entries = read_entries(path);
    const auto table = addr_file_load(path);
    ASSERT_EQ(table->count(), entries.size());
    for (std::size_t i = 0; i < entries.size(); i += 97) {
      netaddr key;
      netaddr_init(key, NETADDR_ETHER);
      for (int octet = 0; octet < 6; ++octet) {
        netaddr_bytes(key)[octet] = static_cast<std::uint8_t>(entries[i].address >> (40 - 8 * octet));
      }
      const std::string* name = table->find(key);
      ASSERT_NE(name, nullptr) << entries[i].name;
      EXPECT_EQ(*name, entries[i].name);
    }
  }
  const auto manf = addr_file_load(NODEWREN_MANF_FILE);
  netaddr host = test::parse_addr(NETADDR_ETHER, "00:00:0C:12:34:56");
  std::fill(netaddr_bytes(host) + 3, netaddr_bytes(host) + 6, std::uint8_t{0});
  ASSERT_NE(manf->find(host), nullptr);
  EXPECT_EQ(*manf->find(host), "Cisco");
}

}  // namespace
}  // namespace nw::manf

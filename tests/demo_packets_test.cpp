// The demo LAN's encoders where a slip would still give plausible bytes: the Internet checksum,
// SNMP's BER, the calendar behind syslog and NetWare's clock, and the syslog line itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/demo_clock.h"
#include "tools/demo_packer.h"
#include "tools/demo_udp_apps.h"

namespace nw::demo {
namespace {

TEST(DemoChecksum, FollowsRfc1071) {
  // The worked example of RFC 1071: the sum is 0xDDF2, so the checksum is its complement.
  const bytes words{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(fold(sum_words(words)), 0x220DU);
  // An odd last octet counts as the high half of a word.
  EXPECT_EQ(fold(sum_words(bytes{0x12, 0x34, 0x56})), fold(sum_words(bytes{0x12, 0x34, 0x56, 0x00})));
  // Carries out of the top are folded back in, however many.
  EXPECT_EQ(fold(sum_words(bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02})), 0xFFFDU);
}

TEST(DemoSnmp, EncodesAGetRequestAsBer) {
  const bytes expected{0x30, 0x26, 0x02, 0x01, 0x01, 0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  0xA0,
                       0x19, 0x02, 0x01, 0x2A, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30, 0x0C,
                       0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05, 0x00, 0x05, 0x00};
  EXPECT_EQ(snmp(SNMP_GET, 42, "public", {{"1.3.6.1.2.1.1.5.0", snmp_null()}}), expected);
}

TEST(DemoSnmp, EncodesValuesMinimallyAndPositive) {
  EXPECT_EQ(snmp_integer(0), (bytes{0x02, 0x01, 0x00}));
  EXPECT_EQ(snmp_integer(0x7F), (bytes{0x02, 0x01, 0x7F}));
  EXPECT_EQ(snmp_integer(0x80), (bytes{0x02, 0x02, 0x00, 0x80}));  // not -128
  EXPECT_EQ(snmp_integer(0x10000), (bytes{0x02, 0x03, 0x01, 0x00, 0x00}));
  EXPECT_EQ(snmp_timeticks(0xFFFFFFFF), (bytes{0x43, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  // A string past 127 octets takes the long form of the length.
  const bytes long_string = snmp_string(std::string(200, 'x'));
  ASSERT_GE(long_string.size(), 3U);
  EXPECT_EQ((bytes{long_string[0], long_string[1], long_string[2]}), (bytes{0x04, 0x81, 200}));
  EXPECT_EQ(long_string.size(), 203U);
}

TEST(DemoSnmp, EncodesLargeArcsInBase128) {
  // 1.3.6.1.4.1.16384.300: arcs of three and two octets.
  const bytes message = snmp(SNMP_GET, 1, "", {{"1.3.6.1.4.1.16384.300", snmp_null()}});
  const bytes oid{0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x81, 0x80, 0x00, 0x82, 0x2C};
  EXPECT_NE(std::search(message.begin(), message.end(), oid.begin(), oid.end()), message.end());
}

TEST(DemoClock, GivesTheGregorianDateAndWeekday) {
  struct row {
    std::uint64_t seconds;
    civil_time expected;
  };
  const std::vector<row> rows{
      {0, {1970, 1, 1, 0, 0, 0, 4}},                // a Thursday
      {951827696, {2000, 2, 29, 12, 34, 56, 2}},    // a leap day of a century year
      {1704067199, {2023, 12, 31, 23, 59, 59, 0}},  // the last second of a year
      {1709542800, {2024, 3, 4, 9, 0, 0, 1}},       // the demo's Monday morning
      {4107542400, {2100, 3, 1, 0, 0, 0, 1}},       // 2100 has no 29 February
  };
  for (const row& r : rows) {
    const civil_time t = civil_from_us(r.seconds * SECOND + 999999);
    const civil_time& e = r.expected;
    EXPECT_EQ(std::vector<unsigned>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.weekday}),
              std::vector<unsigned>({e.year, e.month, e.day, e.hour, e.minute, e.second, e.weekday}))
        << r.seconds;
  }
}

TEST(DemoSyslog, WritesTheBsdLine) {
  const bytes line = syslog(23, 5, civil_from_us(1709542847ULL * SECOND), "SW-FLOOR1", "port Gi1/0/14 link up");
  // Priority 23 x 8 + 5; a one-digit day is padded with a blank.
  EXPECT_EQ(std::string(line.begin(), line.end()), "<189>Mar  4 09:00:47 SW-FLOOR1 port Gi1/0/14 link up");
}

}  // namespace
}  // namespace nw::demo

// Host reference texts and the cache's copy of a resolver answer: the name tables' hash, the
// kind of a text, the address a dotted text stands for, answers that are not IPv4.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "hostc/hostc_resolve.h"
#include "hostc/hostc_text.h"

namespace nw {
namespace {

TEST(HostcText, TheHashShiftsAfterOddCharactersOnlyAndSignExtends) {
  EXPECT_EQ(hostc_text_hash(""), 0u);
  EXPECT_EQ(hostc_text_hash("a"), 0x61u << 1);                     // 194
  EXPECT_EQ(hostc_text_hash("ab"), (0x61u << 1) ^ 0x62u);          // no shift after the 2nd
  EXPECT_EQ(hostc_text_hash("abc"), (((0x61u << 1) ^ 0x62u) ^ 0x63u) << 1);
  EXPECT_EQ(hostc_text_hash("\xff"), 0xFFFFFFFEu);                // -1, then shifted
  EXPECT_EQ(hostc_text_hash("a\xe9"), (0x61u << 1) ^ 0xFFFFFFE9u);  // é's lead octet is negative
  EXPECT_NE(hostc_text_hash("ab"), hostc_text_hash("ba"));
}

TEST(HostcText, KindsOfText) {
  struct row {
    const char* text;
    int kind;
  };
  const row rows[] = {
      {"00:a0:c9:14:c8:29", HOSTC_TEXT_HW},
      {"0:A0:c9:14:C8:2", HOSTC_TEXT_HW},
      {"00:a0:c9:14:c8", HOSTC_TEXT_INVALID},           // five fields
      {"00:a0:c9:14:c8:29:01", HOSTC_TEXT_INVALID},     // seven
      {"00:a0:c9:14:c8:100", HOSTC_TEXT_INVALID},       // 0x100 is past an octet
      {"00:a0::14:c8:29", HOSTC_TEXT_INVALID},          // an empty field
      {"00:a0:c9:14:c8:2g", HOSTC_TEXT_INVALID},
      {"00:a0:c9:14:c8:29:", HOSTC_TEXT_INVALID},
      {"10.1.2.3", HOSTC_TEXT_IPV4},
      {"10.1", HOSTC_TEXT_IPV4},                        // the classic conversion's short forms
      {"0x7f.1", HOSTC_TEXT_IPV4},
      {"167772161", HOSTC_TEXT_IPV4},
      {"0.0.0.0", HOSTC_TEXT_IPV4},
      {"255.255.255.255", HOSTC_TEXT_NAME},             // the conversion's "no address"
      {"10.1.2.300", HOSTC_TEXT_NAME},
      {"host-1.site_a", HOSTC_TEXT_NAME},
      {"localhost", HOSTC_TEXT_NAME},
      {"host name", HOSTC_TEXT_INVALID},
      {"host/name", HOSTC_TEXT_INVALID},
      {"host.", HOSTC_TEXT_INVALID},
      {".host", HOSTC_TEXT_INVALID},
      {"a..b", HOSTC_TEXT_INVALID},
      {"", HOSTC_TEXT_INVALID},
      {"\xd1\x81\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80", HOSTC_TEXT_INVALID},  // letters beyond ASCII
  };
  for (const row& r : rows) EXPECT_EQ(hostc_text_kind(r.text), r.kind) << '"' << r.text << '"';
  EXPECT_EQ(hostc_text_kind(std::string_view("10.1.2.3\0x", 10)), HOSTC_TEXT_INVALID);
}

TEST(HostcText, AnAddressTextMeansWhatTheConversionThatClassedItReads) {
  using octets = std::array<std::uint8_t, 4>;
  EXPECT_EQ(hostc_text_ipv4("192.168.1.10"), (octets{192, 168, 1, 10}));
  EXPECT_EQ(hostc_text_ipv4("10.1"), (octets{10, 0, 0, 1}));
  EXPECT_EQ(hostc_text_ipv4("0x7f.1"), (octets{127, 0, 0, 1}));
  EXPECT_EQ(hostc_text_ipv4("010.0.0.1"), (octets{8, 0, 0, 1}));  // octal
  EXPECT_FALSE(hostc_text_ipv4("255.255.255.255"));
  EXPECT_FALSE(hostc_text_ipv4("host-1"));
  EXPECT_FALSE(hostc_text_ipv4("00:a0:c9:14:c8:29"));
}

hostc_hostent answer(std::vector<std::vector<std::uint8_t>> addresses) {
  return hostc_hostent{"name", {}, AF_INET, 4, std::move(addresses)};
}

TEST(HostcCopy, AnAnswerThatIsNotIpv4IsNoAnswer) {
  hostc_hostent v6 = answer({std::vector<std::uint8_t>(16, 1)});
  v6.h_addrtype = AF_INET6;
  v6.h_length = 16;
  EXPECT_FALSE(hostc_hostent_copy(v6));
  // A length that lies about its addresses would overrun a four-octet entry address.
  EXPECT_FALSE(hostc_hostent_copy(answer({{10, 0, 0, 1}, {10, 0}})));
  EXPECT_TRUE(hostc_hostent_copy(answer({{10, 0, 0, 1}})));
}

}  // namespace
}  // namespace nw

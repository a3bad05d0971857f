// Address values: the family registry, hash, ordering, text forms and the tolerant parsers.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "tests/netaddr_test_support.h"

namespace nw {
namespace {

using namespace std::literals;
using test::make_addr;
using NetAddr = test::with_families;

std::array<std::uint8_t, 6> first6(const netaddr& addr) {
  return {addr.octets[0], addr.octets[1], addr.octets[2], addr.octets[3], addr.octets[4], addr.octets[5]};
}

TEST_F(NetAddr, HashSignExtendsHighOctetsAndShiftsByTwo) {
  EXPECT_EQ(netaddr_hash(make_addr(NETADDR_ETHER, {0, 0, 0, 0, 0, 1})), 1U);
  // 0xFF XORs in as 0xFFFFFFFF and is shifted left by 2 five times.
  EXPECT_EQ(netaddr_hash(make_addr(NETADDR_ETHER, {0xFF, 0, 0, 0, 0, 0})), 0xFFFFFC00U);
  EXPECT_EQ(netaddr_hash(make_addr(NETADDR_TR, {0, 0, 0, 0, 0, 0x80})), 0xFFFFFF80U);
  EXPECT_EQ(netaddr_hash(make_addr(NETADDR_ETHER, {1, 2, 3, 4, 5, 6})),
            (1U << 10) ^ (2U << 8) ^ (3U << 6) ^ (4U << 4) ^ (5U << 2) ^ 6U);
  EXPECT_EQ(netaddr_hash(make_addr(NETADDR_IPV4, {10, 0, 0, 0xC0})), (10U << 6) ^ 0xFFFFFFC0U);
  EXPECT_EQ(netaddr_hash(netaddr{}), 0U);
}

TEST_F(NetAddr, CompareIsUnsignedAndSignedAsTheSecondAgainstTheFirst) {
  struct row {
    std::initializer_list<std::uint8_t> a, b;
    int sign;
  };
  const row rows[] = {
      {{0, 0xA0, 0xC9, 0x14, 0xC8, 0x29}, {0, 0xA0, 0xC9, 0x14, 0xC8, 0x29}, 0},
      {{0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 2}, 1},                 // the second is larger
      {{0, 0, 0, 0, 0, 2}, {0, 0, 0, 0, 0, 1}, -1},                // the second is smaller
      {{0x7F, 0, 0, 0, 0, 0}, {0x80, 0, 0, 0, 0, 0}, 1},           // octets are unsigned
      {{1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {2, 0, 0, 0, 0, 0}, 1},  // the first difference decides
  };
  for (const auto& r : rows) {
    const int result = netaddr_compare(make_addr(NETADDR_ETHER, r.a), make_addr(NETADDR_ETHER, r.b));
    EXPECT_EQ((result > 0) - (result < 0), r.sign);
  }
  EXPECT_EQ(netaddr_compare(netaddr{}, make_addr(NETADDR_ETHER, {0, 0, 0, 0, 0, 0})), 1);
  EXPECT_EQ(netaddr_compare(netaddr{}, netaddr{}), 1);
  // Only a's four IPv4 octets take part, whatever follows them in b.
  EXPECT_EQ(netaddr_compare(make_addr(NETADDR_IPV4, {10, 0, 0, 1}), make_addr(NETADDR_ETHER, {10, 0, 0, 1, 9})), 0);
}

TEST_F(NetAddr, HardwareTextsParseWithAnySeparatorAndPrefix) {
  struct row {
    std::string_view text;
    std::array<std::uint8_t, 6> octets;
  };
  const row rows[] = {
      {"00:a0:c9:14:c8:29", {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29}},
      {"00-A0-C9-14-C8-29", {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29}},
      {"0.a0.c9.14.c8.29", {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29}},
      {"0x00:0xa0:0xc9:0x14:0xc8:0x29", {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29}},
      {" \t00::a0 - c9\n14:c8:29:77:88", {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29}},  // runs; extra fields
      {"100:1FF:+0x2F:+2:0x:zz", {0x00, 0xFF, 0x2F, 0x02, 0x00, 0x00}},  // low 8 bits; no digit: 0
      {"123456789ABCDEF0123:1:2:3:4:5", {0x23, 1, 2, 3, 4, 5}},          // beyond 64 bits
      {"\v0a:\r0x10:7g:0:0:0", {0x0A, 0x10, 0x07, 0, 0, 0}},  // strtol's white space; the stop
      {"00-a0-c9-14-c8", {0, 0, 0, 0, 0, 0}},                  // five fields: all zero
      {"00:11:22\0:33:44:55"sv, {0, 0, 0, 0, 0, 0}},           // the text ends at the NUL
  };
  for (const auto& r : rows) {
    for (std::uint32_t family : {NETADDR_ETHER, NETADDR_TR}) {
      netaddr addr = make_addr(family, {1, 2, 3, 4, 5, 6});  // a failed parse keeps no old octet
      netaddr_parse(addr, r.text);
      EXPECT_EQ(first6(addr), r.octets) << r.text;
    }
  }
}

TEST_F(NetAddr, Ipv4TextsParseAsFourDecimalsWithoutRangeCheck) {
  struct row {
    std::string_view text;
    std::array<std::uint8_t, 6> octets;  // the last two are never touched
  };
  const row rows[] = {
      {"192.168.1.10", {192, 168, 1, 10, 9, 9}},
      {"300.1.1.1", {44, 1, 1, 1, 9, 9}},
      {"-1.+2. 3.4.5", {255, 2, 3, 4, 9, 9}},
      {"10.1", {10, 1, 0, 0, 9, 9}},       // the octets not read are 0
      {"10..0.1", {10, 0, 0, 0, 9, 9}},    // no number after the second dot
      {"10 .0.0.1", {10, 0, 0, 0, 9, 9}},  // the dot must follow the number at once
      {"99999999999999999999.1.2.3", {0xFF, 1, 2, 3, 9, 9}},
      {"host", {0, 0, 0, 0, 9, 9}},
  };
  for (const auto& r : rows) {
    netaddr addr = make_addr(NETADDR_IPV4, {9, 9, 9, 9, 9, 9});
    netaddr_parse(addr, r.text);
    EXPECT_EQ(first6(addr), r.octets) << r.text;
  }
}

TEST_F(NetAddr, TextFormsFillTheirBuffersAndNeverOverrunAShortOne) {
  EXPECT_EQ(netaddr_to_text_new(make_addr(NETADDR_ETHER, {0x00, 0xA0, 0xC9, 0x14, 0xC8, 0x29})), "00:A0:C9:14:C8:29");
  EXPECT_EQ(netaddr_to_text_new(make_addr(NETADDR_IPV4, {10, 0, 0, 1})), "10.0.0.1");
  EXPECT_EQ(netaddr_to_text_new(netaddr{}), "");

  std::array<char, NETADDR_TEXT_SIZE + 1> buffer{};
  buffer.fill('#');
  EXPECT_EQ(netaddr_to_text(make_addr(NETADDR_IPV4, {255, 255, 255, 255}), std::span(buffer).first(16)), 1);
  EXPECT_EQ(std::string(buffer.data()), "255.255.255.255");
  EXPECT_EQ(buffer[16], '#');
  EXPECT_EQ(netaddr_to_text(make_addr(NETADDR_TR, {0xFF, 1, 2, 3, 4, 0xAB}), std::span(buffer).first(18)), 1);
  EXPECT_EQ(std::string(buffer.data()), "FF:01:02:03:04:AB");
  EXPECT_EQ(buffer[18], '#');

  buffer.fill('#');
  EXPECT_EQ(netaddr_to_text(make_addr(NETADDR_ETHER, {1, 2, 3, 4, 5, 6}), std::span(buffer).first(17)), 0);
  EXPECT_EQ(netaddr_to_text(make_addr(NETADDR_IPV4, {1, 2, 3, 4}), std::span(buffer).first(15)), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');  // an empty text, nothing past it
  EXPECT_EQ(netaddr_to_text(netaddr{}, buffer), 0);
  EXPECT_EQ(netaddr_to_text(make_addr(NETADDR_ETHER, {1}), std::span<char>()), 0);
}

TEST_F(NetAddr, RegistryKeepsSlotsByFamilyAndTheOrderOfRegistration) {
  ASSERT_EQ(netaddr_registered().size(), 3U);
  EXPECT_EQ(netaddr_registered()[1], netaddr_type_of(NETADDR_IPV4));
  EXPECT_EQ(netaddr_registered()[2]->family, NETADDR_TR);
  EXPECT_EQ(netaddr_type_of(NETADDR_IPV4)->length, 4U);
  EXPECT_EQ(netaddr_type_of(2), nullptr);
  EXPECT_EQ(netaddr_type_of(1000), nullptr);
  EXPECT_EQ(netaddr_new(2), nullptr);

  // Rows that would overrun the slot table or an address's slot, or lack a function.
  netaddr_type row = *netaddr_type_of(NETADDR_ETHER);
  row.family = NETADDR_FAMILIES;
  EXPECT_EQ(netaddr_register(row), nullptr);
  row.family = 5;
  row.length = NETADDR_SLOT + 1;
  EXPECT_EQ(netaddr_register(row), nullptr);
  row.length = 6;
  row.parse = nullptr;
  EXPECT_EQ(netaddr_register(row), nullptr);
  EXPECT_EQ(netaddr_registered().size(), 3U);

  netaddr made_before = make_addr(NETADDR_IPV4, {1, 2, 3, 4});
  netaddr_registry_init();
  EXPECT_TRUE(netaddr_registered().empty());
  EXPECT_EQ(netaddr_new(NETADDR_ETHER), nullptr);
  netaddr_init(made_before, NETADDR_ETHER);  // unregistered now: nothing happens
  EXPECT_EQ(netaddr_to_text_new(made_before), "1.2.3.4");  // its descriptor outlived the reset
}

TEST_F(NetAddr, NewDupCopyAndClearKeepTheFamily) {
  const auto fresh = netaddr_new(NETADDR_TR);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(netaddr_to_text_new(*fresh), "00:00:00:00:00:00");

  netaddr original = make_addr(NETADDR_ETHER, {0, 0xA0, 0xC9, 0x14, 0xC8, 0x29});
  const auto dup = netaddr_dup(original);
  ASSERT_NE(dup, nullptr);
  original.octets[5] = 0x30;
  EXPECT_EQ(netaddr_to_text_new(*dup), "00:A0:C9:14:C8:29");
  EXPECT_EQ(netaddr_dup(netaddr{}), nullptr);

  netaddr to = make_addr(NETADDR_IPV4, {1, 2, 3, 4});
  netaddr_copy(*dup, to);
  EXPECT_EQ(netaddr_to_text_new(to), "00:A0:C9:14:C8:29");
  netaddr_copy(netaddr{}, to);
  EXPECT_EQ(to.type, nullptr);

  netaddr_clear(original);
  EXPECT_EQ(netaddr_to_text_new(original), "00:00:00:00:00:00");
}

}  // namespace
}  // namespace nw

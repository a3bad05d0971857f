// Helpers shared by the address tests: a registry with the three families, and address makers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"

namespace nw::test {

// Every test starts from a registry holding Ethernet, IPv4 and Token Ring, as start-up makes it.
class with_families : public ::testing::Test {
 protected:
  void SetUp() override {
    netaddr_registry_init();
    ASSERT_EQ(netaddr_ether_register(), 1);
    ASSERT_EQ(netaddr_ipv4_register(), 1);
    ASSERT_EQ(netaddr_tr_register(), 1);
  }
};

inline netaddr make_addr(std::uint32_t family, std::initializer_list<std::uint8_t> octets) {
  netaddr addr;
  netaddr_init(addr, family);
  std::copy(octets.begin(), octets.end(), netaddr_bytes(addr));
  return addr;
}

inline netaddr parse_addr(std::uint32_t family, std::string_view text) {
  netaddr addr;
  netaddr_init(addr, family);
  netaddr_parse(addr, text);
  return addr;
}

}  // namespace nw::test

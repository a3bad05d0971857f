// The office the demo LAN plays out: its stations by role, its clock and its chance, and the
// wire its conversations are put on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tools/demo_clock.h"
#include "tools/demo_lan.h"
#include "tools/demo_rng.h"
#include "tools/demo_wire.h"

namespace nw::demo {

inline constexpr std::uint64_t START_US = 1709542800ULL * SECOND;  // 2024-03-04 09:00:00 UTC
inline constexpr std::uint64_t DURATION_US = 240 * SECOND;
inline constexpr std::uint64_t END_US = START_US + DURATION_US;
inline constexpr std::string_view OFFICE_DOMAIN = "office.lan";
inline constexpr std::uint32_t NETWARE_NETWORK = 0x0000BEEF;  // the IPX network number of the segment

// A place on the Internet the office's browsers and mail server reach through the router.
struct remote_site {
  std::string_view host;
  ipv4_addr ip;
  bool tls;
};

struct office {
  office();

  // The station's own address on its network.
  [[nodiscard]] endpoint at(std::size_t s) const;
  // The broadcast of the station's subnet, for NetBIOS.
  [[nodiscard]] endpoint subnet_broadcast(std::size_t s) const;
  // A host beyond the router.
  [[nodiscard]] endpoint remote(const ipv4_addr& ip) const;
  [[nodiscard]] const demo_station& station(std::size_t s) const { return stations[s]; }
  // Every station of a role, in table order.
  [[nodiscard]] std::vector<std::size_t> all(station_role role) const;

  std::span<const demo_station> stations;
  wire net{END_US};
  rng random{0x4E57'2024'0304ULL};
  // The one station of each role the others talk to.
  std::size_t gateway;
  std::size_t files;
  std::size_t mail;
  std::size_t intranet;
  std::size_t monitor;
  std::size_t netware;
};

}  // namespace nw::demo

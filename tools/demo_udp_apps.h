// The demo LAN's services over UDP: DNS, DHCP, NTP, NetBIOS names, SNMP and syslog.
#pragma once

#include <string_view>
#include <vector>

#include "tools/demo_clock.h"
#include "tools/demo_packer.h"

namespace nw::demo {

// A query for the A record of name, or, with an address, the answer that gives it.
[[nodiscard]] bytes dns(unsigned id, std::string_view name, const ipv4_addr* answer);

enum dhcp_type : unsigned { DHCP_DISCOVER = 1, DHCP_OFFER = 2, DHCP_REQUEST = 3, DHCP_ACK = 5 };

struct dhcp_lease {
  std::uint32_t xid;
  mac_addr client;
  ipv4_addr client_ip;  // the address being renewed, zero while the client has none
  ipv4_addr offered;
  ipv4_addr server;
  std::string_view host_name;
};

// A message of either side, padded to the BOOTP minimum; the server is also router and DNS.
[[nodiscard]] bytes dhcp(dhcp_type type, const dhcp_lease& lease);

inline constexpr unsigned NTP_CLIENT = 3;
inline constexpr unsigned NTP_SERVER = 4;

// A client asks with its transmit time; a server answers with the asker's as origin.
[[nodiscard]] bytes ntp(unsigned mode, std::uint64_t origin_us, std::uint64_t transmit_us);

inline constexpr unsigned NBNS_REGISTRATION = 0x2910;
inline constexpr unsigned NBNS_QUERY = 0x0110;
inline constexpr unsigned NBNS_POSITIVE_ANSWER = 0x8500;

// A registration carries the address as an additional record, an answer as its answer.
[[nodiscard]] bytes nbns(unsigned id, unsigned flags, std::string_view name, unsigned suffix,
                         const ipv4_addr* address);

// One variable of an SNMP message: its object identifier in dotted form and its value,
// already encoded (the snmp_ value makers below).
struct snmp_binding {
  std::string_view oid;
  bytes value;
};

inline constexpr unsigned SNMP_GET = 0xA0;
inline constexpr unsigned SNMP_RESPONSE = 0xA2;

// A version 2c message of pdu type SNMP_GET or SNMP_RESPONSE.
[[nodiscard]] bytes snmp(unsigned pdu, unsigned request_id, std::string_view community,
                         const std::vector<snmp_binding>& bindings);
[[nodiscard]] bytes snmp_null();
[[nodiscard]] bytes snmp_integer(std::uint32_t value);
[[nodiscard]] bytes snmp_string(std::string_view value);
[[nodiscard]] bytes snmp_timeticks(std::uint32_t hundredths);

// A BSD syslog line (RFC 3164): priority, "Mmm dd hh:mm:ss", host, then the message.
[[nodiscard]] bytes syslog(unsigned facility, unsigned severity, const civil_time& when, std::string_view host,
                           std::string_view message);

}  // namespace nw::demo

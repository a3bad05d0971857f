// What the demo LAN's machines say without anyone at a keyboard: the switches' announcements,
// address resolution, names, leases, clocks, management polls and log lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "tools/demo_office.h"

namespace nw::demo {

// Spanning tree every two seconds from every switch, LLDP every 30 s, CDP every minute.
void switch_announcements(office& o);
// The NetWare server's service advertisement every minute, in both of its frame types.
void netware_advertisements(office& o);
// The monitor asks every switch and printer for its uptime and name once a minute.
void snmp_polls(office& o);

void arp_exchange(office& o, std::uint64_t t, std::size_t asker, std::size_t target);
// A station without an address gets one from the router: discover, offer, request, ack.
void dhcp_join(office& o, std::uint64_t t, std::size_t client);
void dhcp_renew(office& o, std::uint64_t t, std::size_t client);
// The three broadcasts of a NetBIOS name registration.
void nbns_registration(office& o, std::uint64_t t, std::size_t s);
// A query for host; returns when the answer, the address ip, is on the wire.
std::uint64_t dns_lookup(office& o, std::uint64_t t, std::size_t client, std::string_view host, const ipv4_addr& ip);
void ntp_poll(office& o, std::uint64_t t, std::size_t client);
void ipv6_neighbour_discovery(office& o, std::uint64_t t, std::size_t asker, std::size_t target);
void syslog_line(office& o, std::uint64_t t, std::size_t from, unsigned severity, std::string_view text);
// A desk phone on VLAN 20 finds its gateway and sets its clock, all tagged with voice priority.
void phone_boot(office& o, std::uint64_t t, std::size_t phone);

}  // namespace nw::demo

// The demo LAN's background traffic, machine to machine.
#include "tools/demo_chatter.h"

#include "tools/demo_bridge.h"
#include "tools/demo_inet.h"
#include "tools/demo_ipx.h"
#include "tools/demo_link.h"
#include "tools/demo_udp_apps.h"

namespace nw::demo {
namespace {

constexpr unsigned SNMP_PORT = 161;
constexpr unsigned SYSLOG_PORT = 514;

// The switch port a switch's announcements leave by: the one towards the monitored segment.
constexpr std::string_view UPLINK = "GigabitEthernet1/0/7";

void switch_announcing(office& o, std::size_t sw, std::size_t root, std::uint64_t offset) {
  const demo_station& s = o.station(sw);
  const mac_addr root_mac = o.station(root).mac;
  for (std::uint64_t t = offset; t < DURATION_US; t += 2 * SECOND) {
    o.net.emit(START_US + t, ieee802_3(STP_GROUP, s.mac, llc(SAP_STP, SAP_STP, stp_bpdu(root_mac, s.mac, 7))));
  }
  for (std::uint64_t t = offset + 4 * SECOND; t < DURATION_US; t += 30 * SECOND) {
    o.net.emit(START_US + t, ethernet(LLDP_GROUP, s.mac, ETHERTYPE_LLDP, lldp(s.mac, "Gi1/0/7", s.name)));
  }
  for (std::uint64_t t = offset + 9 * SECOND; t < DURATION_US; t += 60 * SECOND) {
    const bytes announcement = cdp(s.name, UPLINK, "WS-C2960X-48TS-L");
    o.net.emit(START_US + t, ieee802_3(CDP_GROUP, s.mac, snap(0x00000C, 0x2000, announcement)));
  }
}

// What a device answers to the monitor's poll: its uptime and name, and a printer its state.
std::vector<snmp_binding> snmp_answers(const demo_station& device, std::uint64_t t) {
  constexpr std::uint64_t BOOTED_US = START_US - 19ULL * 86400 * SECOND;  // up for nineteen days
  std::vector<snmp_binding> answers{
      {"1.3.6.1.2.1.1.3.0", snmp_timeticks(static_cast<std::uint32_t>((t - BOOTED_US) / 10000))},
      {"1.3.6.1.2.1.1.5.0", snmp_string(device.name)},
  };
  if (device.role == station_role::printer) answers.push_back({"1.3.6.1.2.1.25.3.5.1.1.1", snmp_integer(3)});  // idle
  return answers;
}

void snmp_poll(office& o, std::uint64_t t, std::size_t device) {
  std::vector<snmp_binding> questions = snmp_answers(o.station(device), t);
  for (snmp_binding& b : questions) b.value = snmp_null();
  const unsigned id = o.random.id16();
  const unsigned port = o.random.port();
  const std::uint64_t answered = t + o.random.between(800, 4 * MS);
  o.net.send_udp(t, o.at(o.monitor), o.at(device), port, SNMP_PORT, snmp(SNMP_GET, id, "public", questions));
  o.net.send_udp(answered, o.at(device), o.at(o.monitor), SNMP_PORT, port,
                 snmp(SNMP_RESPONSE, id, "public", snmp_answers(o.station(device), answered)));
}

}  // namespace

void switch_announcements(office& o) {
  const std::vector<std::size_t> switches = o.all(station_role::lan_switch);
  for (std::size_t i = 0; i < switches.size(); ++i) {
    switch_announcing(o, switches[i], switches.front(), 300 * MS + i * 610 * MS);
  }
}

void netware_advertisements(office& o) {
  const demo_station& server = o.station(o.netware);
  const ipx_address self{NETWARE_NETWORK, server.mac, IPX_SAP_SOCKET};
  const ipx_address everyone{NETWARE_NETWORK, BROADCAST, IPX_SAP_SOCKET};
  const bytes advert = ipx_sap(server.name, {NETWARE_NETWORK, server.mac, IPX_NCP_SOCKET});
  const bytes packet = ipx(everyone, self, IPX_TYPE_SAP, advert);
  for (std::uint64_t t = 6 * SECOND; t < DURATION_US; t += 60 * SECOND) {
    o.net.emit(START_US + t, ieee802_3(BROADCAST, server.mac, packet));
    o.net.emit(START_US + t + 40 * MS, ieee802_3(BROADCAST, server.mac, llc(SAP_IPX, SAP_IPX, packet)));
  }
}

void snmp_polls(office& o) {
  std::vector<std::size_t> devices = o.all(station_role::lan_switch);
  for (const std::size_t p : o.all(station_role::printer)) devices.push_back(p);
  for (std::uint64_t t = 12 * SECOND; t < DURATION_US; t += 60 * SECOND) {
    for (std::size_t i = 0; i < devices.size(); ++i) snmp_poll(o, START_US + t + i * 150 * MS, devices[i]);
  }
}

void arp_exchange(office& o, std::uint64_t t, std::size_t asker, std::size_t target) {
  const demo_station& a = o.station(asker);
  const demo_station& b = o.station(target);
  o.net.emit(t, ethernet(BROADCAST, a.mac, ETHERTYPE_ARP, arp(ARP_REQUEST, a.mac, a.ip, NO_MAC, b.ip)));
  o.net.emit(t + 350, ethernet(a.mac, b.mac, ETHERTYPE_ARP, arp(ARP_REPLY, b.mac, b.ip, a.mac, a.ip)));
}

void dhcp_join(office& o, std::uint64_t t, std::size_t client) {
  const demo_station& c = o.station(client);
  const endpoint unconfigured{c.mac, {}};
  const endpoint everyone{BROADCAST, {255, 255, 255, 255}};
  const endpoint server = o.at(o.gateway);
  const dhcp_lease lease{static_cast<std::uint32_t>(o.random.next()), c.mac, {}, c.ip, server.ip, c.name};
  o.net.send_udp(t, unconfigured, everyone, 68, 67, dhcp(DHCP_DISCOVER, lease));
  o.net.send_udp(t + 2 * MS, server, everyone, 67, 68, dhcp(DHCP_OFFER, lease));
  o.net.send_udp(t + 3 * MS, unconfigured, everyone, 68, 67, dhcp(DHCP_REQUEST, lease));
  o.net.send_udp(t + 5 * MS, server, everyone, 67, 68, dhcp(DHCP_ACK, lease));
}

void dhcp_renew(office& o, std::uint64_t t, std::size_t client) {
  const demo_station& c = o.station(client);
  const dhcp_lease lease{static_cast<std::uint32_t>(o.random.next()), c.mac, c.ip, c.ip, o.at(o.gateway).ip, c.name};
  o.net.send_udp(t, o.at(client), o.at(o.gateway), 68, 67, dhcp(DHCP_REQUEST, lease));
  o.net.send_udp(t + 2 * MS, o.at(o.gateway), o.at(client), 67, 68, dhcp(DHCP_ACK, lease));
}

// Windows repeats a registration broadcast three times when nobody objects.
void nbns_registration(office& o, std::uint64_t t, std::size_t s) {
  const unsigned id = o.random.id16();
  const bytes message = nbns(id, NBNS_REGISTRATION, o.station(s).name, 0x00, &o.station(s).ip);
  for (std::uint64_t i = 0; i < 3; ++i) {
    o.net.send_udp(t + i * 750 * MS, o.at(s), o.subnet_broadcast(s), 137, 137, message);
  }
}

std::uint64_t dns_lookup(office& o, std::uint64_t t, std::size_t client, std::string_view host, const ipv4_addr& ip) {
  const unsigned id = o.random.id16();
  const unsigned port = o.random.port();
  o.net.send_udp(t, o.at(client), o.at(o.gateway), port, 53, dns(id, host, nullptr));
  const std::uint64_t answered = t + o.random.between(2 * MS, 30 * MS);
  o.net.send_udp(answered, o.at(o.gateway), o.at(client), 53, port, dns(id, host, &ip));
  return answered;
}

void ntp_poll(office& o, std::uint64_t t, std::size_t client) {
  const std::uint64_t answered = t + o.random.between(300, 900);
  o.net.send_udp(t, o.at(client), o.at(o.gateway), 123, 123, ntp(NTP_CLIENT, 0, t));
  o.net.send_udp(answered, o.at(o.gateway), o.at(client), 123, 123, ntp(NTP_SERVER, t, answered));
}

void ipv6_neighbour_discovery(office& o, std::uint64_t t, std::size_t asker, std::size_t target) {
  const mac_addr& a = o.station(asker).mac;
  const mac_addr& b = o.station(target).mac;
  const ipv6_addr from = link_local(a);
  const ipv6_addr wanted = link_local(b);
  const ipv6_addr group = solicited_node(wanted);
  const bytes ns = icmpv6(from, group, 135, neighbour_solicitation(wanted, a));
  o.net.emit(t, ethernet(ipv6_group_mac(group), a, ETHERTYPE_IPV6, ipv6(from, group, PROTO_ICMPV6, 255, ns)));
  const bytes na = icmpv6(wanted, from, 136, neighbour_advertisement(wanted, b));
  o.net.emit(t + 400, ethernet(a, b, ETHERTYPE_IPV6, ipv6(wanted, from, PROTO_ICMPV6, 255, na)));
}

void syslog_line(office& o, std::uint64_t t, std::size_t from, unsigned severity, std::string_view text) {
  constexpr unsigned LOCAL7 = 23;
  const bytes line = syslog(LOCAL7, severity, civil_from_us(t), o.station(from).name, text);
  o.net.send_udp(t, o.at(from), o.at(o.monitor), SYSLOG_PORT, SYSLOG_PORT, line);
}

// The router's subinterface on the voice VLAN is its .1 there.
void phone_boot(office& o, std::uint64_t t, std::size_t phone) {
  constexpr unsigned VOICE_VLAN = 20;
  constexpr unsigned VOICE_PRIORITY = 5;
  const endpoint set = o.at(phone);
  const endpoint gateway{o.station(o.gateway).mac, {set.ip[0], set.ip[1], set.ip[2], 1}};
  const auto tagged = [](const endpoint& from, const mac_addr& to, unsigned type, const bytes& payload) {
    return ethernet(to, from.mac, ETHERTYPE_VLAN, vlan_tag(VOICE_PRIORITY, VOICE_VLAN, type, payload));
  };
  const auto ntp_packet = [&o](const endpoint& from, const endpoint& to, const bytes& message) {
    return o.net.ip_packet(from, to, PROTO_UDP, udp(from.ip, to.ip, 123, 123, message));
  };
  o.net.emit(t, tagged(set, BROADCAST, ETHERTYPE_ARP, arp(ARP_REQUEST, set.mac, set.ip, NO_MAC, gateway.ip)));
  o.net.emit(t + 300,
             tagged(gateway, set.mac, ETHERTYPE_ARP, arp(ARP_REPLY, gateway.mac, gateway.ip, set.mac, set.ip)));
  const std::uint64_t asked = t + 2 * MS;
  const std::uint64_t answered = asked + 600;
  o.net.emit(asked, tagged(set, gateway.mac, ETHERTYPE_IPV4, ntp_packet(set, gateway, ntp(NTP_CLIENT, 0, asked))));
  o.net.emit(answered,
             tagged(gateway, set.mac, ETHERTYPE_IPV4, ntp_packet(gateway, set, ntp(NTP_SERVER, asked, answered))));
}

}  // namespace nw::demo

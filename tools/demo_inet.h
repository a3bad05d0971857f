// The demo LAN's Internet layers: ARP, IPv4, IPv6 with neighbour discovery, UDP and TCP. Every
// checksum is computed, so that analysers accept the frames as they stand.
#pragma once

#include "tools/demo_packer.h"

namespace nw::demo {

inline constexpr unsigned PROTO_TCP = 6;
inline constexpr unsigned PROTO_UDP = 17;
inline constexpr unsigned PROTO_ICMPV6 = 58;

inline constexpr unsigned ARP_REQUEST = 1;
inline constexpr unsigned ARP_REPLY = 2;

[[nodiscard]] bytes arp(unsigned operation, const mac_addr& sender_mac, const ipv4_addr& sender_ip,
                        const mac_addr& target_mac, const ipv4_addr& target_ip);
// A packet with a 20-octet header, don't-fragment set.
[[nodiscard]] bytes ipv4(const ipv4_addr& src, const ipv4_addr& dst, unsigned protocol, unsigned id, unsigned ttl,
                         const bytes& payload);
[[nodiscard]] bytes ipv6(const ipv6_addr& src, const ipv6_addr& dst, unsigned next_header, unsigned hop_limit,
                         const bytes& payload);
[[nodiscard]] bytes icmpv6(const ipv6_addr& src, const ipv6_addr& dst, unsigned type, const bytes& body);

// The link-local address a station forms from its hardware address (modified EUI-64).
[[nodiscard]] ipv6_addr link_local(const mac_addr& mac);
// The solicited-node group of an address and the Ethernet group address that carries it.
[[nodiscard]] ipv6_addr solicited_node(const ipv6_addr& target);
[[nodiscard]] mac_addr ipv6_group_mac(const ipv6_addr& group);
// ICMPv6 bodies of a neighbour solicitation (with the asker's link-layer address) and of a
// solicited neighbour advertisement (with the target's).
[[nodiscard]] bytes neighbour_solicitation(const ipv6_addr& target, const mac_addr& asker);
[[nodiscard]] bytes neighbour_advertisement(const ipv6_addr& target, const mac_addr& target_mac);

// src and dst are the IP addresses of either version, for the checksum's pseudo-header.
[[nodiscard]] bytes udp(octets src, octets dst, unsigned src_port, unsigned dst_port, const bytes& payload);

inline constexpr unsigned TCP_FIN = 0x01;
inline constexpr unsigned TCP_SYN = 0x02;
inline constexpr unsigned TCP_PSH = 0x08;
inline constexpr unsigned TCP_ACK = 0x10;
inline constexpr unsigned TCP_MSS = 1460;

struct tcp_header {
  unsigned src_port;
  unsigned dst_port;
  std::uint32_t seq;
  std::uint32_t ack;
  unsigned flags;
};

// A segment; a SYN carries the maximum segment size option.
[[nodiscard]] bytes tcp(octets src, octets dst, const tcp_header& h, const bytes& payload);

}  // namespace nw::demo

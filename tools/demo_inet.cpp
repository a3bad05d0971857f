// ARP, IPv4, IPv6, ICMPv6, UDP and TCP for the demo LAN.
#include "tools/demo_inet.h"

#include <algorithm>

#include "tools/demo_link.h"

namespace nw::demo {

bytes arp(unsigned operation, const mac_addr& sender_mac, const ipv4_addr& sender_ip, const mac_addr& target_mac,
          const ipv4_addr& target_ip) {
  return packer()
      .u16(1).u16(ETHERTYPE_IPV4).u8(6).u8(4).u16(operation)
      .put(sender_mac).put(sender_ip).put(target_mac).put(target_ip)
      .take();
}

bytes ipv4(const ipv4_addr& src, const ipv4_addr& dst, unsigned protocol, unsigned id, unsigned ttl,
           const bytes& payload) {
  bytes packet = packer()
                     .u8(0x45).u8(0).u16(20 + size16(payload)).u16(id).u16(0x4000)  // don't fragment
                     .u8(ttl).u8(protocol).u16(0).put(src).put(dst)
                     .take();
  store16(packet, 10, fold(sum_words(packet)));
  return packer().put(packet).put(payload).take();
}

bytes ipv6(const ipv6_addr& src, const ipv6_addr& dst, unsigned next_header, unsigned hop_limit,
           const bytes& payload) {
  return packer()
      .u32(0x60000000).u16(size16(payload)).u8(next_header).u8(hop_limit).put(src).put(dst).put(payload)
      .take();
}

bytes icmpv6(const ipv6_addr& src, const ipv6_addr& dst, unsigned type, const bytes& body) {
  bytes message = packer().u8(type).u8(0).u16(0).put(body).take();
  store16(message, 2, fold(sum_words(message, pseudo_header_sum(src, dst, PROTO_ICMPV6, message.size()))));
  return message;
}

ipv6_addr link_local(const mac_addr& mac) {
  return {0xFE, 0x80, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(mac[0] ^ 0x02), mac[1], mac[2], 0xFF, 0xFE,
          mac[3], mac[4], mac[5]};
}

// ff02::1:ff00:0 plus the target's last three octets (RFC 4291).
ipv6_addr solicited_node(const ipv6_addr& target) {
  ipv6_addr group{0xFF, 0x02};
  group[11] = 0x01;
  group[12] = 0xFF;
  std::copy(target.begin() + 13, target.end(), group.begin() + 13);
  return group;
}

mac_addr ipv6_group_mac(const ipv6_addr& group) {
  return {0x33, 0x33, group[12], group[13], group[14], group[15]};
}

bytes neighbour_solicitation(const ipv6_addr& target, const mac_addr& asker) {
  return packer().u32(0).put(target).u8(1).u8(1).put(asker).take();  // source link-layer option
}

bytes neighbour_advertisement(const ipv6_addr& target, const mac_addr& target_mac) {
  // Solicited and override; the target link-layer option.
  return packer().u32(0x60000000).put(target).u8(2).u8(1).put(target_mac).take();
}

bytes udp(octets src, octets dst, unsigned src_port, unsigned dst_port, const bytes& payload) {
  bytes datagram = packer().u16(src_port).u16(dst_port).u16(8 + size16(payload)).u16(0).put(payload).take();
  const unsigned sum = fold(sum_words(datagram, pseudo_header_sum(src, dst, PROTO_UDP, datagram.size())));
  store16(datagram, 6, sum == 0 ? 0xFFFF : sum);  // 0 would mean "no checksum"
  return datagram;
}

bytes tcp(octets src, octets dst, const tcp_header& h, const bytes& payload) {
  const bool syn = (h.flags & TCP_SYN) != 0;
  const unsigned header_length = syn ? 24 : 20;
  packer p;
  p.u16(h.src_port).u16(h.dst_port).u32(h.seq).u32(h.ack).u8(header_length / 4 << 4).u8(h.flags);
  p.u16(64240).u16(0).u16(0);
  if (syn) p.u8(2).u8(4).u16(TCP_MSS);
  bytes segment = p.put(payload).take();
  store16(segment, 16, fold(sum_words(segment, pseudo_header_sum(src, dst, PROTO_TCP, segment.size()))));
  return segment;
}

}  // namespace nw::demo

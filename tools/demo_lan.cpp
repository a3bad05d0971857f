// The demo LAN: protocol layers as small builders that wrap their payload, and a scenario that
// plays out a morning's two minutes of an office segment through them.
#include "tools/demo_lan.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

namespace nw::demo {
namespace {

using bytes = std::vector<std::uint8_t>;
using mac_addr = std::array<std::uint8_t, 6>;
using ipv4_addr = std::array<std::uint8_t, 4>;
using ipv6_addr = std::array<std::uint8_t, 16>;
using octets = std::span<const std::uint8_t>;

// Appends fields in network byte order unless the name says little-endian.
class packer {
 public:
  packer& u8(unsigned v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFFU));
    return *this;
  }
  packer& u16(unsigned v) { return u8(v >> 8).u8(v); }
  packer& u24(std::uint32_t v) { return u8(v >> 16).u16(v & 0xFFFFU); }
  packer& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFFU); }
  packer& u64(std::uint64_t v) {
    return u32(static_cast<std::uint32_t>(v >> 32)).u32(static_cast<std::uint32_t>(v));
  }
  packer& u16le(unsigned v) { return u8(v).u8(v >> 8); }
  packer& u32le(std::uint32_t v) { return u16le(v & 0xFFFFU).u16le(v >> 16); }
  packer& u64le(std::uint64_t v) {
    return u32le(static_cast<std::uint32_t>(v)).u32le(static_cast<std::uint32_t>(v >> 32));
  }
  packer& put(octets data) {
    out_.insert(out_.end(), data.begin(), data.end());
    return *this;
  }
  packer& text(std::string_view s) {
    for (const char c : s) u8(static_cast<unsigned char>(c));
    return *this;
  }
  packer& zeros(std::size_t count) {
    out_.resize(out_.size() + count, 0);
    return *this;
  }
  [[nodiscard]] bytes take() { return std::move(out_); }

 private:
  bytes out_;
};

unsigned size16(const bytes& data) { return static_cast<unsigned>(data.size() & 0xFFFFU); }

void store16(bytes& data, std::size_t at, unsigned value) {
  data[at] = static_cast<std::uint8_t>(value >> 8);
  data[at + 1] = static_cast<std::uint8_t>(value & 0xFFU);
}

// ---- The Internet checksum ----

std::uint32_t sum_words(octets data, std::uint32_t sum = 0) {
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
  }
  if (data.size() % 2 != 0) sum += static_cast<std::uint32_t>(data.back() << 8);
  return sum;
}

unsigned fold(std::uint32_t sum) {
  while (sum >> 16 != 0) sum = (sum & 0xFFFFU) + (sum >> 16);
  return ~sum & 0xFFFFU;
}

// The pseudo-header that UDP, TCP and ICMPv6 checksums cover, for either IP version.
std::uint32_t pseudo_header_sum(octets src, octets dst, unsigned protocol, std::size_t length) {
  const auto len = static_cast<std::uint32_t>(length);
  return sum_words(dst, sum_words(src)) + protocol + (len >> 16) + (len & 0xFFFFU);
}

// ---- Link layer ----

constexpr std::size_t ETHERNET_MIN = 60;  // without the frame check sequence
constexpr mac_addr BROADCAST{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr mac_addr STP_GROUP{0x01, 0x80, 0xC2, 0x00, 0x00, 0x00};
constexpr mac_addr LLDP_GROUP{0x01, 0x80, 0xC2, 0x00, 0x00, 0x0E};
constexpr mac_addr CDP_GROUP{0x01, 0x00, 0x0C, 0xCC, 0xCC, 0xCC};
constexpr mac_addr NO_MAC{};

// type_or_length is an EtherType from 0x0600 up, else the 802.3 payload length.
bytes ethernet(const mac_addr& dst, const mac_addr& src, unsigned type_or_length, const bytes& payload) {
  bytes frame = packer().put(dst).put(src).u16(type_or_length).put(payload).take();
  if (frame.size() < ETHERNET_MIN) frame.resize(ETHERNET_MIN, 0);
  return frame;
}

bytes ieee802_3(const mac_addr& dst, const mac_addr& src, const bytes& payload) {
  return ethernet(dst, src, size16(payload), payload);
}

bytes vlan_tag(unsigned priority, unsigned vlan, unsigned type, const bytes& payload) {
  return packer().u16(priority << 13 | vlan).u16(type).put(payload).take();
}

bytes llc(unsigned dsap, unsigned ssap, const bytes& payload) {
  return packer().u8(dsap).u8(ssap).u8(0x03).put(payload).take();  // unnumbered information
}

bytes snap(std::uint32_t oui, unsigned type, const bytes& payload) {
  return llc(0xAA, 0xAA, packer().u24(oui).u16(type).put(payload).take());
}

// ---- Network layer ----

constexpr unsigned ETHERTYPE_IPV4 = 0x0800;
constexpr unsigned ETHERTYPE_ARP = 0x0806;
constexpr unsigned ETHERTYPE_VLAN = 0x8100;
constexpr unsigned ETHERTYPE_IPV6 = 0x86DD;
constexpr unsigned ETHERTYPE_LLDP = 0x88CC;
constexpr unsigned PROTO_TCP = 6;
constexpr unsigned PROTO_UDP = 17;
constexpr unsigned PROTO_ICMPV6 = 58;

bytes arp(unsigned operation, const mac_addr& sender_mac, const ipv4_addr& sender_ip,
          const mac_addr& target_mac, const ipv4_addr& target_ip) {
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

// ---- Transport layer ----

bytes udp(octets src, octets dst, unsigned src_port, unsigned dst_port, const bytes& payload) {
  bytes datagram = packer().u16(src_port).u16(dst_port).u16(8 + size16(payload)).u16(0).put(payload).take();
  const unsigned sum = fold(sum_words(datagram, pseudo_header_sum(src, dst, PROTO_UDP, datagram.size())));
  store16(datagram, 6, sum == 0 ? 0xFFFF : sum);  // 0 would mean "no checksum"
  return datagram;
}

constexpr unsigned TCP_FIN = 0x01;
constexpr unsigned TCP_SYN = 0x02;
constexpr unsigned TCP_PSH = 0x08;
constexpr unsigned TCP_ACK = 0x10;
constexpr unsigned TCP_MSS = 1460;

struct tcp_header {
  unsigned src_port;
  unsigned dst_port;
  std::uint32_t seq;
  std::uint32_t ack;
  unsigned flags;
};

bytes tcp(octets src, octets dst, const tcp_header& h, const bytes& payload) {
  const bool syn = (h.flags & TCP_SYN) != 0;
  const unsigned header_length = syn ? 24 : 20;  // a SYN announces its maximum segment size
  packer p;
  p.u16(h.src_port).u16(h.dst_port).u32(h.seq).u32(h.ack).u8(header_length / 4 << 4).u8(h.flags);
  p.u16(64240).u16(0).u16(0);
  if (syn) p.u8(2).u8(4).u16(TCP_MSS);
  bytes segment = p.put(payload).take();
  store16(segment, 16, fold(sum_words(segment, pseudo_header_sum(src, dst, PROTO_TCP, segment.size()))));
  return segment;
}

// ---- Applications over UDP ----

bytes dns_name(std::string_view name) {
  packer p;
  while (!name.empty()) {
    const std::size_t dot = std::min(name.find('.'), name.size());
    p.u8(static_cast<unsigned>(dot)).text(name.substr(0, dot));
    name.remove_prefix(std::min(dot + 1, name.size()));
  }
  return p.u8(0).take();
}

// A query for the A record of name, or, with an address, the answer that gives it.
bytes dns(unsigned id, std::string_view name, const ipv4_addr* answer) {
  packer p;
  p.u16(id).u16(answer != nullptr ? 0x8180 : 0x0100).u16(1).u16(answer != nullptr ? 1 : 0).u16(0).u16(0);
  p.put(dns_name(name)).u16(1).u16(1);
  if (answer != nullptr) p.u16(0xC00C).u16(1).u16(1).u32(300).u16(4).put(*answer);
  return p.take();
}

enum dhcp_type : unsigned { DHCP_DISCOVER = 1, DHCP_OFFER = 2, DHCP_REQUEST = 3, DHCP_ACK = 5 };

struct dhcp_lease {
  std::uint32_t xid;
  mac_addr client;
  ipv4_addr client_ip;  // the address being renewed, zero while the client has none
  ipv4_addr offered;
  ipv4_addr server;
  std::string_view host_name;
};

bytes dhcp(dhcp_type type, const dhcp_lease& lease) {
  const bool from_client = type == DHCP_DISCOVER || type == DHCP_REQUEST;
  const bool renewing = lease.client_ip != ipv4_addr{};
  packer p;
  p.u8(from_client ? 1 : 2).u8(1).u8(6).u8(0).u32(lease.xid).u16(0).u16(renewing ? 0 : 0x8000);
  p.put(lease.client_ip).put(from_client ? ipv4_addr{} : lease.offered).put(ipv4_addr{}).put(ipv4_addr{});
  p.put(lease.client).zeros(10 + 64 + 128).u32(0x63825363);
  p.u8(53).u8(1).u8(type);
  if (from_client) {
    p.u8(12).u8(static_cast<unsigned>(lease.host_name.size())).text(lease.host_name);
    if (type == DHCP_REQUEST && !renewing) p.u8(50).u8(4).put(lease.offered).u8(54).u8(4).put(lease.server);
    p.u8(55).u8(4).u8(1).u8(3).u8(6).u8(15);
  } else {
    p.u8(54).u8(4).put(lease.server).u8(51).u8(4).u32(86400);
    p.u8(1).u8(4).u32(0xFFFFFF00).u8(3).u8(4).put(lease.server).u8(6).u8(4).put(lease.server);
  }
  bytes message = p.u8(255).take();
  if (message.size() < 300) message.resize(300, 0);  // the BOOTP minimum
  return message;
}

constexpr std::uint64_t NTP_EPOCH_OFFSET = 2208988800ULL;  // 1900 to 1970

std::uint64_t ntp_timestamp(std::uint64_t time_us) {
  const std::uint64_t seconds = time_us / 1000000 + NTP_EPOCH_OFFSET;
  const std::uint64_t fraction = (time_us % 1000000) * (1ULL << 32) / 1000000;
  return seconds << 32 | fraction;
}

// mode 3 asks, mode 4 answers with the asker's transmit time as origin.
bytes ntp(unsigned mode, std::uint64_t origin_us, std::uint64_t transmit_us) {
  const bool server = mode == 4;
  packer p;
  p.u8(0x20 | mode).u8(server ? 2 : 0).u8(6).u8(0xEC);  // version 4, stratum, poll, precision
  p.u32(server ? 0x00000A00 : 0).u32(server ? 0x00002000 : 0);  // root delay and dispersion
  p.u32(server ? 0xC0000201 : 0);  // the server's upstream: 192.0.2.1
  p.u64(server ? ntp_timestamp(transmit_us - 20000000) : 0).u64(server ? ntp_timestamp(origin_us) : 0);
  p.u64(server ? ntp_timestamp(transmit_us) : 0).u64(ntp_timestamp(transmit_us));
  return p.take();
}

// First-level encoding: the name padded to 15 with spaces, its suffix, each nibble + 'A'.
bytes netbios_name(std::string_view name, unsigned suffix) {
  packer p;
  p.u8(32);
  for (std::size_t i = 0; i < 16; ++i) {
    unsigned c = suffix;
    if (i < 15) c = i < name.size() ? static_cast<unsigned char>(name[i]) : unsigned{' '};
    p.u8('A' + (c >> 4)).u8('A' + (c & 0x0F));
  }
  return p.u8(0).take();
}

constexpr unsigned NBNS_REGISTRATION = 0x2910;
constexpr unsigned NBNS_QUERY = 0x0110;
constexpr unsigned NBNS_POSITIVE_ANSWER = 0x8500;

// A registration carries the address as an additional record, an answer as its answer.
bytes nbns(unsigned id, unsigned flags, std::string_view name, unsigned suffix, const ipv4_addr* address) {
  const bool answer = (flags & 0x8000) != 0;
  const bool record = address != nullptr;
  packer p;
  p.u16(id).u16(flags).u16(answer ? 0 : 1).u16(answer ? 1 : 0).u16(0).u16(!answer && record ? 1 : 0);
  p.put(netbios_name(name, suffix)).u16(0x0020).u16(1);  // the question, or the answer's owner
  if (!answer && record) p.u16(0xC00C).u16(0x0020).u16(1);  // the additional record names the question
  if (record) p.u32(300000).u16(6).u16(0).put(*address);
  return p.take();
}

// ---- Applications over TCP ----

bytes http_request(std::string_view host, std::string_view path) {
  return packer()
      .text("GET ").text(path).text(" HTTP/1.1\r\nHost: ").text(host)
      .text("\r\nUser-Agent: Mozilla/5.0 (X11; Linux x86_64)\r\nAccept: text/html,*/*;q=0.8\r\n"
            "Accept-Encoding: gzip, deflate\r\nConnection: keep-alive\r\n\r\n")
      .take();
}

bytes filler(std::size_t size, std::string_view pattern) {
  packer p;
  for (std::size_t i = 0; i < size; ++i) p.u8(static_cast<unsigned char>(pattern[i % pattern.size()]));
  return p.take();
}

bytes http_response(std::size_t body_size) {
  const std::string length = std::to_string(body_size);
  return packer()
      .text("HTTP/1.1 200 OK\r\nServer: nginx\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ")
      .text(length).text("\r\nCache-Control: max-age=600\r\n\r\n")
      .put(filler(body_size, "<p>Quarterly figures and the canteen menu.</p>\n"))
      .take();
}

constexpr unsigned TLS_HANDSHAKE = 22;
constexpr unsigned TLS_CHANGE_CIPHER_SPEC = 20;
constexpr unsigned TLS_APPLICATION_DATA = 23;

bytes tls_record(unsigned type, const bytes& body) {
  return packer().u8(type).u16(0x0303).u16(size16(body)).put(body).take();
}

bytes tls_handshake(unsigned type, const bytes& body) {
  return packer().u8(type).u24(static_cast<std::uint32_t>(body.size())).put(body).take();
}

bytes tls_extension(unsigned type, const bytes& body) {
  return packer().u16(type).u16(size16(body)).put(body).take();
}

// TLS 1.3: the hellos are the only plaintext handshake; the rest travels as application data.
bytes tls_client_hello(std::string_view server_name, const bytes& random, const bytes& key) {
  const bytes name_entry =
      packer().u8(0).u16(static_cast<unsigned>(server_name.size())).text(server_name).take();
  const bytes key_share = packer().u16(0x001D).u16(size16(key)).put(key).take();
  const bytes extensions =
      packer()
          .put(tls_extension(0x0000, packer().u16(size16(name_entry)).put(name_entry).take()))
          .put(tls_extension(0x000A, packer().u16(2).u16(0x001D).take()))
          .put(tls_extension(0x002B, packer().u8(2).u16(0x0304).take()))
          .put(tls_extension(0x0033, packer().u16(size16(key_share)).put(key_share).take()))
          .take();
  packer p;
  p.u16(0x0303).put(random).u8(0);
  p.u16(6).u16(0x1301).u16(0x1302).u16(0x1303).u8(1).u8(0);
  p.u16(size16(extensions)).put(extensions);
  return tls_record(TLS_HANDSHAKE, tls_handshake(1, p.take()));
}

// Records carry at most 2^14 octets of plaintext.
bytes tls_application_data(const bytes& data) {
  constexpr std::size_t RECORD_MAX = 16384;
  packer p;
  for (std::size_t at = 0; at < data.size(); at += RECORD_MAX) {
    const std::size_t size = std::min(RECORD_MAX, data.size() - at);
    p.put(tls_record(TLS_APPLICATION_DATA, bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                                 data.begin() + static_cast<std::ptrdiff_t>(at + size))));
  }
  return p.take();
}

// The server's hello, then its certificate and the rest of its flight, encrypted.
bytes tls_server_flight(const bytes& random, const bytes& key, const bytes& encrypted) {
  const bytes extensions =
      packer()
          .put(tls_extension(0x002B, packer().u16(0x0304).take()))
          .put(tls_extension(0x0033, packer().u16(0x001D).u16(size16(key)).put(key).take()))
          .take();
  const bytes hello =
      packer().u16(0x0303).put(random).u8(0).u16(0x1301).u8(0).u16(size16(extensions)).put(extensions).take();
  return packer()
      .put(tls_record(TLS_HANDSHAKE, tls_handshake(2, hello)))
      .put(tls_record(TLS_CHANGE_CIPHER_SPEC, {1}))
      .put(tls_application_data(encrypted))
      .take();
}

bytes tls_client_finished(const bytes& encrypted) {
  return packer().put(tls_record(TLS_CHANGE_CIPHER_SPEC, {1})).put(tls_application_data(encrypted)).take();
}

bytes netbios_session(const bytes& payload) {
  return packer().u8(0).u24(static_cast<std::uint32_t>(payload.size())).put(payload).take();
}

enum smb2_command : unsigned {
  SMB2_NEGOTIATE = 0,
  SMB2_SESSION_SETUP = 1,
  SMB2_TREE_CONNECT = 3,
  SMB2_CREATE = 5,
  SMB2_CLOSE = 6,
  SMB2_READ = 8,
};

// The fixed part of each message's body; its first field is that part's structure size.
unsigned smb2_structure_size(smb2_command command, bool response) {
  switch (command) {
    case SMB2_NEGOTIATE: return response ? 65 : 36;
    case SMB2_SESSION_SETUP: return response ? 9 : 25;
    case SMB2_TREE_CONNECT: return response ? 16 : 9;
    case SMB2_CREATE: return response ? 89 : 57;
    case SMB2_CLOSE: return response ? 60 : 24;
    case SMB2_READ: return response ? 17 : 49;
  }
  return 2;
}

struct smb2_context {
  std::uint64_t message_id;
  std::uint64_t session_id;
  std::uint32_t tree_id;
};

bytes smb2(smb2_command command, bool response, const smb2_context& ctx, const bytes& data) {
  const unsigned structure = smb2_structure_size(command, response);
  packer p;
  p.u8(0xFE).text("SMB").u16le(64).u16le(1).u32le(0).u16le(command).u16le(1).u32le(response ? 1 : 0).u32le(0);
  p.u64le(ctx.message_id).u32le(0xFEFF).u32le(ctx.tree_id).u64le(ctx.session_id).zeros(16);
  p.u16le(structure).zeros(structure / 2 * 2 - 2).put(data);
  return netbios_session(p.take());
}

// ---- Bridging and discovery ----

bytes stp_bpdu(const mac_addr& root_bridge, const mac_addr& bridge, unsigned port) {
  return packer()
      .u16(0).u8(0).u8(0).u8(0)                  // protocol, version, configuration BPDU, flags
      .u16(0x8000).put(root_bridge).u32(root_bridge == bridge ? 0 : 19)
      .u16(0x8000).put(bridge).u16(0x8000 | port)
      .u16(0).u16(20 * 256).u16(2 * 256).u16(15 * 256)  // ages and timers in 1/256 s
      .take();
}

bytes lldp_tlv(unsigned type, const bytes& value) {
  return packer().u16(type << 9 | size16(value)).put(value).take();
}

bytes lldp(const mac_addr& chassis, std::string_view port, std::string_view system_name) {
  return packer()
      .put(lldp_tlv(1, packer().u8(4).put(chassis).take()))
      .put(lldp_tlv(2, packer().u8(5).text(port).take()))
      .put(lldp_tlv(3, packer().u16(120).take()))
      .put(lldp_tlv(5, packer().text(system_name).take()))
      .put(lldp_tlv(7, packer().u16(0x0014).u16(0x0004).take()))  // bridge and router, bridge on
      .put(lldp_tlv(0, {}))
      .take();
}

bytes cdp_tlv(unsigned type, const bytes& value) {
  return packer().u16(type).u16(4 + size16(value)).put(value).take();
}

bytes cdp(std::string_view device, std::string_view port, std::string_view platform) {
  bytes message = packer()
                      .u8(2).u8(180).u16(0)
                      .put(cdp_tlv(0x0001, packer().text(device).take()))
                      .put(cdp_tlv(0x0003, packer().text(port).take()))
                      .put(cdp_tlv(0x0004, packer().u32(0x00000028).take()))  // switch, IGMP
                      .put(cdp_tlv(0x0005, packer().text("Switch OS 15.2(4)E10").take()))
                      .put(cdp_tlv(0x0006, packer().text(platform).take()))
                      .put(cdp_tlv(0x000B, packer().u8(1).take()))  // full duplex
                      .take();
  // Receivers disagree on how an odd last octet enters the checksum; these names give an even
  // length.
  store16(message, 2, fold(sum_words(message)));
  return message;
}

struct ipx_address {
  std::uint32_t network;
  mac_addr node;
  unsigned socket;
};

constexpr unsigned IPX_SAP_SOCKET = 0x0452;

bytes ipx(const ipx_address& dst, const ipx_address& src, unsigned packet_type, const bytes& payload) {
  return packer()
      .u16(0xFFFF).u16(30 + size16(payload)).u8(0).u8(packet_type)
      .u32(dst.network).put(dst.node).u16(dst.socket)
      .u32(src.network).put(src.node).u16(src.socket)
      .put(payload)
      .take();
}

// A general service response advertising one file server.
bytes ipx_sap(std::string_view server, const ipx_address& at) {
  packer p;
  p.u16(2).u16(0x0004).text(server).zeros(48 - server.size());
  return p.u32(at.network).put(at.node).u16(at.socket).u16(1).take();
}

// ---- The scenario ----

// splitmix64: fixed output for a fixed seed on every platform, unlike the standard engines'
// distributions.
class rng {
 public:
  explicit rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint64_t between(std::uint64_t low, std::uint64_t high) { return low + next() % (high - low + 1); }
  unsigned port() { return static_cast<unsigned>(between(49152, 65535)); }
  bytes fill(std::size_t count) {
    packer p;
    for (std::size_t i = 0; i < count; ++i) p.u8(static_cast<unsigned>(next()));
    return p.take();
  }

 private:
  std::uint64_t state_;
};

constexpr std::uint64_t SECOND = 1000000;
constexpr std::uint64_t MS = 1000;
constexpr std::uint64_t START_US = 1709542800ULL * SECOND;  // 2024-03-04 09:00:00 UTC
constexpr std::uint64_t DURATION_US = 120 * SECOND;

struct station {
  std::string_view name;
  mac_addr mac;
  ipv4_addr ip;
};

// Where an IP packet goes on this segment: a station, or a host beyond the gateway.
struct endpoint {
  mac_addr mac;
  ipv4_addr ip;
};

struct web_site {
  std::string_view host;
  ipv4_addr ip;
  bool tls;
};

constexpr std::array<web_site, 5> WEB_SITES{{
    {"www.example.com", {203, 0, 113, 10}, false},
    {"news.example.org", {203, 0, 113, 44}, true},
    {"mail.example.net", {198, 51, 100, 25}, true},
    {"cdn.example.com", {198, 51, 100, 80}, true},
    {"wiki.example.org", {192, 0, 2, 70}, false},
}};

// Locally administered addresses: they belong to no vendor.
constexpr mac_addr station_mac(unsigned n) {
  return {0x02, 0x4E, 0x57, 0x10, 0x00, static_cast<std::uint8_t>(n)};
}
constexpr ipv4_addr lan_ip(unsigned host) { return {192, 168, 10, static_cast<std::uint8_t>(host)}; }

constexpr std::size_t GATEWAY = 0;
constexpr std::size_t SWITCH = 1;
constexpr std::size_t FILE_SERVER = 2;
constexpr std::size_t PRINTER = 3;
constexpr std::size_t NETWARE = 4;
constexpr std::size_t PHONE = 5;
constexpr std::size_t FIRST_WORKSTATION = 6;

constexpr std::array<std::string_view, 18> WORKSTATION_NAMES{
    "ACCOUNTS1", "ACCOUNTS2", "RECEPTION", "ANNA-PC", "BORIS-PC", "CLARA-PC", "DMITRI-PC", "ELENA-PC",
    "FELIX-PC",  "GRETA-PC",  "HUGO-PC",   "IRINA-PC", "JONAS-PC", "KATYA-PC", "LEON-PC",   "MARTA-PC",
    "NIKO-PC",   "LAB-LAPTOP"};

std::vector<station> office_stations() {
  std::vector<station> all{
      {"GATEWAY", station_mac(1), lan_ip(1)},
      {"SW-FLOOR2", station_mac(2), lan_ip(2)},
      {"FILES", station_mac(10), lan_ip(10)},
      {"PRINTER", station_mac(20), lan_ip(20)},
      {"NW-SERVER", station_mac(30), lan_ip(30)},
      {"PHONE-12", station_mac(40), {192, 168, 20, 40}},  // on the voice VLAN
  };
  for (unsigned i = 0; i < WORKSTATION_NAMES.size(); ++i) {
    all.push_back({WORKSTATION_NAMES[i], station_mac(101 + i), lan_ip(101 + i)});
  }
  return all;
}

class office_lan;

// One TCP connection's sequence numbers and clock; the client's segments and the server's
// acknowledgements are emitted through the LAN.
class tcp_flow {
 public:
  tcp_flow(office_lan& lan, endpoint client, endpoint server, unsigned client_port, unsigned server_port,
           std::uint64_t start_us, std::uint64_t rtt_us)
      : lan_(lan), client_(client), server_(server), client_port_(client_port), server_port_(server_port),
        now_(start_us), rtt_(rtt_us) {}

  void open();
  // Segments of at most one MSS; the receiver acknowledges every second one and the last.
  void send(bool from_client, const bytes& data);
  void wait(std::uint64_t us) { now_ += us; }
  void close();
  [[nodiscard]] std::uint64_t now() const { return now_; }

 private:
  void segment(bool from_client, unsigned flags, const bytes& payload, std::uint64_t at);

  office_lan& lan_;
  endpoint client_;
  endpoint server_;
  unsigned client_port_;
  unsigned server_port_;
  std::uint64_t now_;
  std::uint64_t rtt_;
  std::uint32_t client_seq_ = 0x1000;
  std::uint32_t server_seq_ = 0x8000;
};

class office_lan {
 public:
  office_lan() : stations_(office_stations()) {}

  std::vector<demo_frame> run();

  void emit(std::uint64_t at, bytes frame) {
    if (at < START_US + DURATION_US + 5 * SECOND) frames_.push_back({at, std::move(frame)});
  }

  bytes ip_packet(const endpoint& from, const endpoint& to, unsigned protocol, const bytes& payload) {
    return ipv4(from.ip, to.ip, protocol, next_ip_id_++, 64, payload);
  }

  bytes ip_frame(const endpoint& from, const endpoint& to, unsigned protocol, const bytes& payload) {
    return ethernet(to.mac, from.mac, ETHERTYPE_IPV4, ip_packet(from, to, protocol, payload));
  }

  bytes udp_frame(const endpoint& from, const endpoint& to, unsigned src_port, unsigned dst_port,
                  const bytes& payload) {
    return ip_frame(from, to, PROTO_UDP, udp(from.ip, to.ip, src_port, dst_port, payload));
  }

 private:
  [[nodiscard]] endpoint at(std::size_t s) const { return {stations_[s].mac, stations_[s].ip}; }
  [[nodiscard]] endpoint subnet_broadcast(std::size_t s) const {
    const ipv4_addr ip = stations_[s].ip;
    return {BROADCAST, {ip[0], ip[1], ip[2], 255}};
  }

  void switch_chatter();
  void ipx_announcements();
  void arp_exchange(std::uint64_t t, std::size_t asker, std::size_t target);
  void dhcp_join(std::uint64_t t, std::size_t client);
  void dhcp_renew(std::uint64_t t, std::size_t client);
  void nbns_registration(std::uint64_t t, std::size_t s);
  std::uint64_t dns_lookup(std::uint64_t t, std::size_t client, const web_site& site);
  void web_visit(std::uint64_t t, std::size_t client, const web_site& site);
  void ntp_poll(std::uint64_t t, std::size_t client);
  void smb_session(std::uint64_t t, std::size_t client);
  void ipv6_neighbour_discovery(std::uint64_t t, std::size_t asker, std::size_t target);
  void voice_vlan(std::uint64_t t);
  void workstation_day(std::size_t s, std::uint64_t boot);

  std::vector<station> stations_;
  std::vector<demo_frame> frames_;
  rng random_{0x4E57'2024'0304ULL};
  unsigned next_ip_id_ = 0x1F00;
};

void tcp_flow::segment(bool from_client, unsigned flags, const bytes& payload, std::uint64_t at) {
  const endpoint& from = from_client ? client_ : server_;
  const endpoint& to = from_client ? server_ : client_;
  std::uint32_t& seq = from_client ? client_seq_ : server_seq_;
  const std::uint32_t peer_seq = from_client ? server_seq_ : client_seq_;
  const unsigned src_port = from_client ? client_port_ : server_port_;
  const unsigned dst_port = from_client ? server_port_ : client_port_;
  const tcp_header h{src_port, dst_port, seq, (flags & TCP_ACK) != 0 ? peer_seq : 0, flags};
  lan_.emit(at, lan_.ip_frame(from, to, PROTO_TCP, tcp(from.ip, to.ip, h, payload)));
  seq += static_cast<std::uint32_t>(payload.size()) + ((flags & (TCP_SYN | TCP_FIN)) != 0 ? 1 : 0);
}

void tcp_flow::open() {
  segment(true, TCP_SYN, {}, now_);
  segment(false, TCP_SYN | TCP_ACK, {}, now_ + rtt_ / 2);
  now_ += rtt_;
  segment(true, TCP_ACK, {}, now_);
}

void tcp_flow::send(bool from_client, const bytes& data) {
  constexpr std::uint64_t SPACING_US = 120;  // a full segment's time on the wire and then some
  std::size_t sent = 0;
  unsigned unacknowledged = 0;
  while (sent < data.size()) {
    const std::size_t size = std::min<std::size_t>(TCP_MSS, data.size() - sent);
    const bool last = sent + size == data.size();
    const bytes piece(data.begin() + static_cast<std::ptrdiff_t>(sent),
                      data.begin() + static_cast<std::ptrdiff_t>(sent + size));
    segment(from_client, TCP_ACK | (last ? TCP_PSH : 0), piece, now_);
    sent += size;
    if (++unacknowledged == 2 || last) {
      segment(!from_client, TCP_ACK, {}, now_ + rtt_ / 2);
      unacknowledged = 0;
    }
    now_ += SPACING_US;
  }
  now_ += rtt_ / 2;
}

void tcp_flow::close() {
  segment(true, TCP_FIN | TCP_ACK, {}, now_);
  segment(false, TCP_FIN | TCP_ACK, {}, now_ + rtt_ / 2);
  now_ += rtt_;
  segment(true, TCP_ACK, {}, now_);
}

void office_lan::switch_chatter() {
  const station& sw = stations_[SWITCH];
  const mac_addr root = stations_[SWITCH].mac;
  for (std::uint64_t t = 300 * MS; t < DURATION_US; t += 2 * SECOND) {
    emit(START_US + t, ieee802_3(STP_GROUP, sw.mac, llc(0x42, 0x42, stp_bpdu(root, sw.mac, 7))));
  }
  for (std::uint64_t t = 4 * SECOND; t < DURATION_US; t += 30 * SECOND) {
    emit(START_US + t, ethernet(LLDP_GROUP, sw.mac, ETHERTYPE_LLDP, lldp(sw.mac, "Gi1/0/7", sw.name)));
  }
  for (std::uint64_t t = 9 * SECOND; t < DURATION_US; t += 60 * SECOND) {
    const bytes announcement = cdp(sw.name, "GigabitEthernet1/0/7", "WS-C2960X-48TS-L");
    emit(START_US + t, ieee802_3(CDP_GROUP, sw.mac, snap(0x00000C, 0x2000, announcement)));
  }
}

// The old NetWare server still advertises itself in both of its frame types.
void office_lan::ipx_announcements() {
  const station& server = stations_[NETWARE];
  const ipx_address self{0x0000BEEF, server.mac, IPX_SAP_SOCKET};
  const ipx_address everyone{0x0000BEEF, BROADCAST, IPX_SAP_SOCKET};
  const bytes advert = ipx_sap(server.name, {0x0000BEEF, server.mac, 0x0451});
  const bytes packet = ipx(everyone, self, 4, advert);
  for (std::uint64_t t = 6 * SECOND; t < DURATION_US; t += 60 * SECOND) {
    emit(START_US + t, ieee802_3(BROADCAST, server.mac, packet));
    emit(START_US + t + 40 * MS, ieee802_3(BROADCAST, server.mac, llc(0xE0, 0xE0, packet)));
  }
}

void office_lan::arp_exchange(std::uint64_t t, std::size_t asker, std::size_t target) {
  const station& a = stations_[asker];
  const station& b = stations_[target];
  emit(t, ethernet(BROADCAST, a.mac, ETHERTYPE_ARP, arp(1, a.mac, a.ip, NO_MAC, b.ip)));
  emit(t + 350, ethernet(a.mac, b.mac, ETHERTYPE_ARP, arp(2, b.mac, b.ip, a.mac, a.ip)));
}

void office_lan::dhcp_join(std::uint64_t t, std::size_t client) {
  const station& c = stations_[client];
  const endpoint unconfigured{c.mac, {}};
  const endpoint everyone{BROADCAST, {255, 255, 255, 255}};
  const endpoint server = at(GATEWAY);
  const dhcp_lease lease{static_cast<std::uint32_t>(random_.next()), c.mac, {}, c.ip, server.ip, c.name};
  emit(t, udp_frame(unconfigured, everyone, 68, 67, dhcp(DHCP_DISCOVER, lease)));
  emit(t + 2 * MS, udp_frame(server, everyone, 67, 68, dhcp(DHCP_OFFER, lease)));
  emit(t + 3 * MS, udp_frame(unconfigured, everyone, 68, 67, dhcp(DHCP_REQUEST, lease)));
  emit(t + 5 * MS, udp_frame(server, everyone, 67, 68, dhcp(DHCP_ACK, lease)));
}

void office_lan::dhcp_renew(std::uint64_t t, std::size_t client) {
  const station& c = stations_[client];
  const auto xid = static_cast<std::uint32_t>(random_.next());
  const dhcp_lease lease{xid, c.mac, c.ip, c.ip, stations_[GATEWAY].ip, c.name};
  emit(t, udp_frame(at(client), at(GATEWAY), 68, 67, dhcp(DHCP_REQUEST, lease)));
  emit(t + 2 * MS, udp_frame(at(GATEWAY), at(client), 67, 68, dhcp(DHCP_ACK, lease)));
}

// Windows repeats a registration broadcast three times when nobody objects.
void office_lan::nbns_registration(std::uint64_t t, std::size_t s) {
  const unsigned id = static_cast<unsigned>(random_.next() & 0xFFFF);
  for (std::uint64_t i = 0; i < 3; ++i) {
    const bytes message = nbns(id, NBNS_REGISTRATION, stations_[s].name, 0x00, &stations_[s].ip);
    emit(t + i * 750 * MS, udp_frame(at(s), subnet_broadcast(s), 137, 137, message));
  }
}

std::uint64_t office_lan::dns_lookup(std::uint64_t t, std::size_t client, const web_site& site) {
  const unsigned id = static_cast<unsigned>(random_.next() & 0xFFFF);
  const unsigned port = random_.port();
  emit(t, udp_frame(at(client), at(GATEWAY), port, 53, dns(id, site.host, nullptr)));
  const std::uint64_t answered = t + random_.between(2 * MS, 30 * MS);
  emit(answered, udp_frame(at(GATEWAY), at(client), 53, port, dns(id, site.host, &site.ip)));
  return answered;
}

void office_lan::web_visit(std::uint64_t t, std::size_t client, const web_site& site) {
  const std::uint64_t answered = dns_lookup(t, client, site);
  const std::uint64_t rtt = random_.between(15 * MS, 60 * MS);
  const unsigned port = random_.port();
  const endpoint server{stations_[GATEWAY].mac, site.ip};
  tcp_flow flow(*this, at(client), server, port, site.tls ? 443 : 80, answered + 200, rtt);
  flow.open();
  const std::size_t page = random_.between(1500, 24000);
  if (site.tls) {
    const bytes client_random = random_.fill(32);
    flow.send(true, tls_client_hello(site.host, client_random, random_.fill(32)));
    const bytes server_random = random_.fill(32);
    const bytes server_key = random_.fill(32);
    flow.send(false, tls_server_flight(server_random, server_key, random_.fill(random_.between(1800, 3600))));
    flow.send(true, tls_client_finished(random_.fill(53)));
    flow.send(true, tls_application_data(random_.fill(random_.between(300, 600))));
    flow.wait(random_.between(20 * MS, 150 * MS));
    flow.send(false, tls_application_data(random_.fill(page)));
  } else {
    flow.send(true, http_request(site.host, "/index.html"));
    flow.wait(random_.between(20 * MS, 150 * MS));
    flow.send(false, http_response(page));
  }
  flow.wait(random_.between(1 * SECOND, 4 * SECOND));
  flow.close();
}

void office_lan::ntp_poll(std::uint64_t t, std::size_t client) {
  const std::uint64_t answered = t + random_.between(300, 900);
  emit(t, udp_frame(at(client), at(GATEWAY), 123, 123, ntp(3, 0, t)));
  emit(answered, udp_frame(at(GATEWAY), at(client), 123, 123, ntp(4, t, answered)));
}

// Looks the file server up by name, then opens a share and reads a file from it.
void office_lan::smb_session(std::uint64_t t, std::size_t client) {
  const unsigned id = static_cast<unsigned>(random_.next() & 0xFFFF);
  const station& files = stations_[FILE_SERVER];
  const bytes query = nbns(id, NBNS_QUERY, files.name, 0x20, nullptr);
  const bytes answer = nbns(id, NBNS_POSITIVE_ANSWER, files.name, 0x20, &files.ip);
  emit(t, udp_frame(at(client), subnet_broadcast(client), 137, 137, query));
  emit(t + 1 * MS, udp_frame(at(FILE_SERVER), at(client), 137, 137, answer));
  arp_exchange(t + 2 * MS, client, FILE_SERVER);

  tcp_flow flow(*this, at(client), at(FILE_SERVER), random_.port(), 445, t + 3 * MS, 400);
  flow.open();
  smb2_context ctx{0, 0, 0};
  const auto exchange = [&](smb2_command command, const bytes& reply_data) {
    flow.send(true, smb2(command, false, ctx, {}));
    flow.wait(random_.between(200, 2000));
    flow.send(false, smb2(command, true, ctx, reply_data));
    ctx.message_id += 1;
  };
  exchange(SMB2_NEGOTIATE, random_.fill(120));
  exchange(SMB2_SESSION_SETUP, random_.fill(180));
  ctx.session_id = random_.next();
  exchange(SMB2_SESSION_SETUP, {});
  exchange(SMB2_TREE_CONNECT, {});
  ctx.tree_id = 1;
  exchange(SMB2_CREATE, {});
  exchange(SMB2_READ, filler(random_.between(4000, 16000), "Minutes of the Monday meeting. "));
  exchange(SMB2_CLOSE, {});
}

std::array<std::uint8_t, 16> link_local(const mac_addr& mac) {
  return {0xFE, 0x80, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(mac[0] ^ 0x02), mac[1], mac[2], 0xFF, 0xFE,
          mac[3], mac[4], mac[5]};
}

void office_lan::ipv6_neighbour_discovery(std::uint64_t t, std::size_t asker, std::size_t target) {
  const mac_addr& a = stations_[asker].mac;
  const mac_addr& b = stations_[target].mac;
  const ipv6_addr from = link_local(a);
  const ipv6_addr wanted = link_local(b);
  ipv6_addr solicited{0xFF, 0x02};  // ff02::1:ff00:0 plus the target's last three octets
  solicited[11] = 0x01;
  solicited[12] = 0xFF;
  std::copy(wanted.begin() + 13, wanted.end(), solicited.begin() + 13);
  const mac_addr group{0x33, 0x33, 0xFF, wanted[13], wanted[14], wanted[15]};
  const bytes solicitation = packer().u32(0).put(wanted).u8(1).u8(1).put(a).take();
  const bytes ns_message = icmpv6(from, solicited, 135, solicitation);
  emit(t, ethernet(group, a, ETHERTYPE_IPV6, ipv6(from, solicited, PROTO_ICMPV6, 255, ns_message)));
  const bytes advert = packer().u32(0x60000000).put(wanted).u8(2).u8(1).put(b).take();  // solicited, override
  const bytes na_message = icmpv6(wanted, from, 136, advert);
  emit(t + 400, ethernet(a, b, ETHERTYPE_IPV6, ipv6(wanted, from, PROTO_ICMPV6, 255, na_message)));
}

// The desk phone sits on VLAN 20 with voice priority; its gateway is the router's subinterface.
void office_lan::voice_vlan(std::uint64_t t) {
  constexpr unsigned VOICE_VLAN = 20;
  constexpr unsigned VOICE_PRIORITY = 5;
  const endpoint phone = at(PHONE);
  const endpoint gateway{stations_[GATEWAY].mac, {192, 168, 20, 1}};
  const auto tagged = [](const endpoint& from, const mac_addr& to, unsigned type, const bytes& payload) {
    return ethernet(to, from.mac, ETHERTYPE_VLAN, vlan_tag(VOICE_PRIORITY, VOICE_VLAN, type, payload));
  };
  const auto ntp_packet = [this](const endpoint& from, const endpoint& to, const bytes& message) {
    return ip_packet(from, to, PROTO_UDP, udp(from.ip, to.ip, 123, 123, message));
  };
  emit(t, tagged(phone, BROADCAST, ETHERTYPE_ARP, arp(1, phone.mac, phone.ip, NO_MAC, gateway.ip)));
  emit(t + 300,
       tagged(gateway, phone.mac, ETHERTYPE_ARP, arp(2, gateway.mac, gateway.ip, phone.mac, phone.ip)));
  const std::uint64_t asked = t + 2 * MS;
  const std::uint64_t answered = asked + 600;
  emit(asked, tagged(phone, gateway.mac, ETHERTYPE_IPV4, ntp_packet(phone, gateway, ntp(3, 0, asked))));
  emit(answered,
       tagged(gateway, phone.mac, ETHERTYPE_IPV4, ntp_packet(gateway, phone, ntp(4, asked, answered))));
}

// A workstation's two minutes: find the gateway, register its name, then browse, sync its clock
// and maybe open a file share.
void office_lan::workstation_day(std::size_t s, std::uint64_t boot) {
  arp_exchange(boot, s, GATEWAY);
  nbns_registration(boot + 50 * MS, s);
  if (s % 3 == 0) ntp_poll(boot + random_.between(1 * SECOND, 8 * SECOND), s);
  if (s % 4 == 1) smb_session(boot + random_.between(3 * SECOND, 60 * SECOND), s);
  const std::uint64_t visits = random_.between(2, 4);
  for (std::uint64_t v = 0; v < visits; ++v) {
    const std::uint64_t when = random_.between(boot + 2 * SECOND, START_US + DURATION_US - 10 * SECOND);
    web_visit(when, s, WEB_SITES[random_.next() % WEB_SITES.size()]);
  }
}

std::vector<demo_frame> office_lan::run() {
  switch_chatter();
  ipx_announcements();
  nbns_registration(START_US + 1 * SECOND, PRINTER);
  nbns_registration(START_US + 1500 * MS, FILE_SERVER);
  arp_exchange(START_US + 2 * SECOND, PRINTER, GATEWAY);
  voice_vlan(START_US + 15 * SECOND);
  voice_vlan(START_US + 79 * SECOND);

  const std::size_t late_joiner = stations_.size() - 1;
  for (std::size_t s = FIRST_WORKSTATION; s < late_joiner; ++s) {
    workstation_day(s, START_US + random_.between(500 * MS, 20 * SECOND));
  }
  dhcp_join(START_US + 40 * SECOND, late_joiner);
  workstation_day(late_joiner, START_US + 40 * SECOND + 20 * MS);
  dhcp_renew(START_US + 70 * SECOND, FIRST_WORKSTATION + 2);
  ipv6_neighbour_discovery(START_US + 3 * SECOND, FIRST_WORKSTATION + 3, FILE_SERVER);

  std::stable_sort(frames_.begin(), frames_.end(),
                   [](const demo_frame& a, const demo_frame& b) { return a.time_us < b.time_us; });
  return std::move(frames_);
}

}  // namespace

std::vector<demo_frame> demo_lan_frames() { return office_lan().run(); }

std::vector<std::uint8_t> pcap_image(const std::vector<demo_frame>& frames) {
  constexpr std::uint32_t SNAPLEN = 65535;
  constexpr std::uint32_t LINKTYPE_ETHERNET = 1;
  packer p;
  p.u32le(0xA1B2C3D4).u16le(2).u16le(4).u32le(0).u32le(0).u32le(SNAPLEN).u32le(LINKTYPE_ETHERNET);
  for (const demo_frame& f : frames) {
    const auto length = static_cast<std::uint32_t>(f.octets.size());
    p.u32le(static_cast<std::uint32_t>(f.time_us / SECOND));
    p.u32le(static_cast<std::uint32_t>(f.time_us % SECOND));
    p.u32le(length).u32le(length).put(f.octets);
  }
  return p.take();
}

bool write_pcap(const std::string& path, const std::vector<demo_frame>& frames) {
  const bytes image = pcap_image(frames);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(image.data(), 1, image.size(), file.get()) == image.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace nw::demo

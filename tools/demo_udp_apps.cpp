// DNS, DHCP, NTP, NetBIOS name service, SNMP and syslog messages for the demo LAN.
#include "tools/demo_udp_apps.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace nw::demo {
namespace {

bytes dns_name(std::string_view name) {
  packer p;
  while (!name.empty()) {
    const std::size_t dot = std::min(name.find('.'), name.size());
    p.u8(static_cast<unsigned>(dot)).text(name.substr(0, dot));
    name.remove_prefix(std::min(dot + 1, name.size()));
  }
  return p.u8(0).take();
}

constexpr std::uint64_t NTP_EPOCH_OFFSET = 2208988800ULL;  // 1900 to 1970, in seconds

std::uint64_t ntp_timestamp(std::uint64_t time_us) {
  const std::uint64_t seconds = time_us / SECOND + NTP_EPOCH_OFFSET;
  const std::uint64_t fraction = (time_us % SECOND) * (1ULL << 32) / SECOND;
  return seconds << 32 | fraction;
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

// ---- BER, as SNMP uses it: definite lengths, minimal integers ----

bytes ber(unsigned tag, const bytes& content) {
  packer p;
  p.u8(tag);
  const std::size_t n = content.size();
  if (n < 0x80) {
    p.u8(static_cast<unsigned>(n));
  } else if (n < 0x100) {
    p.u8(0x81).u8(static_cast<unsigned>(n));
  } else {
    p.u8(0x82).u16(static_cast<unsigned>(n));
  }
  return p.put(content).take();
}

// Two's complement in as few octets as keep the value positive.
bytes ber_unsigned(unsigned tag, std::uint32_t value) {
  bytes octets_out;
  for (int shift = 24; shift > 0; shift -= 8) {
    if ((value >> shift) != 0) octets_out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  octets_out.push_back(static_cast<std::uint8_t>(value));
  if ((octets_out.front() & 0x80U) != 0) octets_out.insert(octets_out.begin(), 0);
  return ber(tag, octets_out);
}

// The first two arcs share an octet; each arc is base 128, high bit on all but its last octet.
bytes ber_oid(std::string_view dotted) {
  std::vector<std::uint32_t> arcs;
  std::uint32_t arc = 0;
  for (const char c : dotted) {
    if (c == '.') {
      arcs.push_back(arc);
      arc = 0;
    } else {
      arc = arc * 10 + static_cast<std::uint32_t>(c - '0');
    }
  }
  arcs.push_back(arc);
  packer p;
  p.u8(arcs[0] * 40 + arcs[1]);
  for (std::size_t i = 2; i < arcs.size(); ++i) {
    for (int shift = 28; shift > 0; shift -= 7) {
      if ((arcs[i] >> shift) != 0) p.u8(0x80U | ((arcs[i] >> shift) & 0x7FU));
    }
    p.u8(arcs[i] & 0x7FU);
  }
  return ber(0x06, p.take());
}

constexpr unsigned BER_INTEGER = 0x02;
constexpr unsigned BER_OCTET_STRING = 0x04;
constexpr unsigned BER_SEQUENCE = 0x30;
constexpr unsigned BER_TIMETICKS = 0x43;

}  // namespace

bytes dns(unsigned id, std::string_view name, const ipv4_addr* answer) {
  packer p;
  p.u16(id).u16(answer != nullptr ? 0x8180 : 0x0100).u16(1).u16(answer != nullptr ? 1 : 0).u16(0).u16(0);
  p.put(dns_name(name)).u16(1).u16(1);
  if (answer != nullptr) p.u16(0xC00C).u16(1).u16(1).u32(300).u16(4).put(*answer);
  return p.take();
}

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

bytes ntp(unsigned mode, std::uint64_t origin_us, std::uint64_t transmit_us) {
  const bool server = mode == NTP_SERVER;
  packer p;
  p.u8(0x20 | mode).u8(server ? 2 : 0).u8(6).u8(0xEC);  // version 4, stratum, poll, precision
  p.u32(server ? 0x00000A00 : 0).u32(server ? 0x00002000 : 0);  // root delay and dispersion
  p.u32(server ? 0xC0000201 : 0);  // the server's upstream: 192.0.2.1
  p.u64(server ? ntp_timestamp(transmit_us - 20 * SECOND) : 0).u64(server ? ntp_timestamp(origin_us) : 0);
  p.u64(server ? ntp_timestamp(transmit_us) : 0).u64(ntp_timestamp(transmit_us));
  return p.take();
}

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

bytes snmp(unsigned pdu, unsigned request_id, std::string_view community, const std::vector<snmp_binding>& bindings) {
  packer list;
  for (const snmp_binding& b : bindings) list.put(ber(BER_SEQUENCE, packer().put(ber_oid(b.oid)).put(b.value).take()));
  const bytes body = packer()
                         .put(ber_unsigned(BER_INTEGER, request_id))
                         .put(ber_unsigned(BER_INTEGER, 0))  // error status
                         .put(ber_unsigned(BER_INTEGER, 0))  // error index
                         .put(ber(BER_SEQUENCE, list.take()))
                         .take();
  const bytes message = packer()
                            .put(ber_unsigned(BER_INTEGER, 1))  // version 2c
                            .put(snmp_string(community))
                            .put(ber(pdu, body))
                            .take();
  return ber(BER_SEQUENCE, message);
}

bytes snmp_null() { return {0x05, 0x00}; }
bytes snmp_integer(std::uint32_t value) { return ber_unsigned(BER_INTEGER, value); }
bytes snmp_string(std::string_view value) { return ber(BER_OCTET_STRING, packer().text(value).take()); }
bytes snmp_timeticks(std::uint32_t hundredths) { return ber_unsigned(BER_TIMETICKS, hundredths); }

bytes syslog(unsigned facility, unsigned severity, const civil_time& when, std::string_view host,
             std::string_view message) {
  static constexpr std::array<const char*, 12> MONTHS{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char head[48];
  std::snprintf(head, sizeof head, "<%u>%s %2u %02u:%02u:%02u ", facility * 8 + severity, MONTHS[when.month - 1],
                when.day, when.hour, when.minute, when.second);
  return packer().text(head).text(host).text(" ").text(message).take();
}

}  // namespace nw::demo

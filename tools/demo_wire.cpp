// Putting the demo LAN's frames down in time, and TCP's sequence numbers and acknowledgements.
#include "tools/demo_wire.h"

#include <algorithm>
#include <utility>

#include "tools/demo_inet.h"
#include "tools/demo_link.h"

namespace nw::demo {

void wire::emit(std::uint64_t at, bytes frame) {
  if (at < end_us_) frames_.push_back({at, std::move(frame)});
}

bytes wire::ip_packet(const endpoint& from, const endpoint& to, unsigned protocol, const bytes& payload) {
  return ipv4(from.ip, to.ip, protocol, next_ip_id_++ & 0xFFFFU, 64, payload);
}

void wire::send_ip(std::uint64_t at, const endpoint& from, const endpoint& to, unsigned protocol,
                   const bytes& payload) {
  emit(at, ethernet(to.mac, from.mac, ETHERTYPE_IPV4, ip_packet(from, to, protocol, payload)));
}

void wire::send_udp(std::uint64_t at, const endpoint& from, const endpoint& to, unsigned src_port,
                    unsigned dst_port, const bytes& payload) {
  send_ip(at, from, to, PROTO_UDP, udp(from.ip, to.ip, src_port, dst_port, payload));
}

std::vector<demo_frame> wire::take() {
  std::stable_sort(frames_.begin(), frames_.end(),
                   [](const demo_frame& a, const demo_frame& b) { return a.time_us < b.time_us; });
  return std::move(frames_);
}

void tcp_flow::segment(bool from_client, unsigned flags, const bytes& payload, std::uint64_t at) {
  const endpoint& from = from_client ? client_ : server_;
  const endpoint& to = from_client ? server_ : client_;
  std::uint32_t& seq = from_client ? client_seq_ : server_seq_;
  const std::uint32_t peer_seq = from_client ? server_seq_ : client_seq_;
  const unsigned src_port = from_client ? client_port_ : server_port_;
  const unsigned dst_port = from_client ? server_port_ : client_port_;
  const tcp_header h{src_port, dst_port, seq, (flags & TCP_ACK) != 0 ? peer_seq : 0, flags};
  net_.send_ip(at, from, to, PROTO_TCP, tcp(from.ip, to.ip, h, payload));
  seq += static_cast<std::uint32_t>(payload.size()) + ((flags & (TCP_SYN | TCP_FIN)) != 0 ? 1 : 0);
}

void tcp_flow::open() {
  segment(true, TCP_SYN, {}, now_);
  segment(false, TCP_SYN | TCP_ACK, {}, now_ + rtt_ / 2);
  now_ += rtt_;
  segment(true, TCP_ACK, {}, now_);
}

void tcp_flow::send(bool from_client, const bytes& data) {
  constexpr std::uint64_t SPACING_US = 120;  // a full segment's time on a 100 Mbit/s wire, and some
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

}  // namespace nw::demo

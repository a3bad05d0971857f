#include "tools/bench_lan.h"

#include <algorithm>
#include <random>
#include <vector>

#include "tools/demo_inet.h"
#include "tools/demo_lan.h"
#include "tools/demo_link.h"

namespace nw::demo {
namespace {

constexpr unsigned ETHERTYPE_IPV4 = 0x0800;
constexpr unsigned ETHERTYPE_ARP = 0x0806;
constexpr unsigned PROTO_TCP = 6;
constexpr unsigned PROTO_UDP = 17;
constexpr mac_addr BROADCAST{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct station {
  mac_addr mac;
  ipv4_addr ip;
};

station station_of(std::uint32_t n) {
  return {{0x02, 0x42, static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
           static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
          {10, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}};
}

class generator {
 public:
  // One station in fifty serves; the rest are clients. Both are chosen with weight 1/(k+1).
  explicit generator(const bench_lan_options& o)
      : servers_count_(std::max<std::uint32_t>(2, o.stations / 50)),
        rng_(o.seed),
        clients_(zipf(std::max<std::uint32_t>(1, o.stations - servers_count_))),
        servers_(zipf(servers_count_)) {}

  bytes next() {
    const station client = station_of(servers_count_ + clients_(rng_));
    const station server = station_of(servers_(rng_));
    const unsigned kind = percent_(rng_);
    if (kind < 55) return tcp_frame(server, client, data_size());  // data towards the client
    if (kind < 85) return tcp_frame(client, server, 0);            // its acknowledgements
    if (kind < 93) return udp_frame(client, server, 53, 40 + percent_(rng_) % 40);
    if (kind < 97) return arp_request(client, server);
    return udp_frame(client, station{BROADCAST, {10, 255, 255, 255}}, 137, 50);
  }

 private:
  // Mostly full segments, some shorter ones ending a transfer.
  std::size_t data_size() { return percent_(rng_) < 70 ? TCP_MSS : 64 + percent_(rng_) * 13; }

  bytes tcp_frame(const station& from, const station& to, std::size_t size) {
    const tcp_header h{443, 40000 + (to.ip[3] & 0xFFu), seq_ += 1460, 1, TCP_ACK | (size > 0 ? TCP_PSH : 0)};
    const bytes segment = tcp(from.ip, to.ip, h, bytes(size, 0x5A));
    return ethernet(to.mac, from.mac, ETHERTYPE_IPV4, ipv4(from.ip, to.ip, PROTO_TCP, ++id_, 64, segment));
  }

  bytes udp_frame(const station& from, const station& to, unsigned port, std::size_t size) {
    const bytes datagram = udp(from.ip, to.ip, 50000, port, bytes(size, 0x11));
    return ethernet(to.mac, from.mac, ETHERTYPE_IPV4, ipv4(from.ip, to.ip, PROTO_UDP, ++id_, 128, datagram));
  }

  bytes arp_request(const station& from, const station& to) {
    return ethernet(BROADCAST, from.mac, ETHERTYPE_ARP, arp(1, from.mac, from.ip, mac_addr{}, to.ip));
  }

  static std::discrete_distribution<std::uint32_t> zipf(std::uint32_t n) {
    std::vector<double> weights(n);
    for (std::uint32_t k = 0; k < n; ++k) weights[k] = 1.0 / (k + 1);
    return {weights.begin(), weights.end()};
  }

  std::uint32_t servers_count_;
  std::mt19937 rng_;
  std::discrete_distribution<std::uint32_t> clients_, servers_;
  std::uniform_int_distribution<unsigned> percent_{0, 99};
  std::uint32_t seq_ = 1;
  unsigned id_ = 0;
};

}  // namespace

bool bench_lan_write(const std::string& path, const bench_lan_options& options) {
  pcap_writer writer;
  if (!writer.open(path)) return false;
  generator g(options);
  const std::uint64_t start_us = 1'700'000'000ULL * 1'000'000;
  for (std::uint64_t i = 0; i < options.frames; ++i) {
    writer.add(start_us + i * 1'000'000 / options.frames_per_second, g.next());
  }
  return writer.close();
}

}  // namespace nw::demo

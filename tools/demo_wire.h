// The demo LAN's wire: where frames are put down with their times, the IP framing every
// conversation shares, and TCP connections that keep their own sequence numbers and clock.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/demo_lan.h"
#include "tools/demo_packer.h"

namespace nw::demo {

// Where an IP packet goes on this segment: a station, or a host beyond the router (whose MAC
// it then carries).
struct endpoint {
  mac_addr mac;
  ipv4_addr ip;
};

class wire {
 public:
  // Frames stamped at or after end_us are dropped: conversations may run past the end.
  explicit wire(std::uint64_t end_us) : end_us_(end_us) {}

  void emit(std::uint64_t at, bytes frame);
  // An IPv4 packet from one endpoint to another; each packet takes the next identification.
  [[nodiscard]] bytes ip_packet(const endpoint& from, const endpoint& to, unsigned protocol, const bytes& payload);
  void send_ip(std::uint64_t at, const endpoint& from, const endpoint& to, unsigned protocol, const bytes& payload);
  void send_udp(std::uint64_t at, const endpoint& from, const endpoint& to, unsigned src_port, unsigned dst_port,
                const bytes& payload);
  // Every frame put down, in time order (frames of the same time in the order emitted).
  [[nodiscard]] std::vector<demo_frame> take();

 private:
  std::uint64_t end_us_;
  std::vector<demo_frame> frames_;
  unsigned next_ip_id_ = 0x1F00;
};

// One TCP connection: the client's segments and the server's, each side acknowledging the other.
class tcp_flow {
 public:
  tcp_flow(wire& net, endpoint client, endpoint server, unsigned client_port, unsigned server_port,
           std::uint64_t start_us, std::uint64_t rtt_us)
      : net_(net), client_(client), server_(server), client_port_(client_port), server_port_(server_port),
        now_(start_us), rtt_(rtt_us) {}

  void open();
  // Segments of at most one MSS, back to back; the receiver acknowledges every second one and
  // the last, half a round trip later.
  void send(bool from_client, const bytes& data);
  void wait(std::uint64_t us) { now_ += us; }
  void close();
  [[nodiscard]] std::uint64_t now() const { return now_; }

 private:
  void segment(bool from_client, unsigned flags, const bytes& payload, std::uint64_t at);

  wire& net_;
  endpoint client_;
  endpoint server_;
  unsigned client_port_;
  unsigned server_port_;
  std::uint64_t now_;
  std::uint64_t rtt_;
  std::uint32_t client_seq_ = 0x1000;
  std::uint32_t server_seq_ = 0x8000;
};

}  // namespace nw::demo

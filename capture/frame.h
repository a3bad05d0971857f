// The frame handlers: one frame into the network model (hosts, links, rankings, IP learning,
// Token Ring MAC frames), then into the one-second window.
#pragma once

#include <cstdint>
#include <span>

#include "core/timer.h"

namespace nw {

struct net;
struct protocol_node;

// What the capture library tells of a frame: its time and its length on the wire (every byte
// counter adds this length; the captured octets may be fewer).
struct frame_header {
  capture_time time;
  std::uint32_t length = 0;
  // The frame's protocol path, ended by nullptr, when a capture file's reading thread has
  // classified it already; nullptr when the handler classifies it.
  protocol_node* const* path = nullptr;
};

// The handlers proper. Caller holds the model lock.
void frame_ether(net& network, std::span<const std::uint8_t> data, std::uint32_t len);
void frame_tr(net& network, std::span<const std::uint8_t> data, std::uint32_t len);

// The per-frame callbacks: set now, run the handler, enter the frame into the window. Return 0.
// Caller holds the model lock.
int netif_ether_frame(net& network, const frame_header& header, std::span<const std::uint8_t> data);
int netif_tr_frame(net& network, const frame_header& header, std::span<const std::uint8_t> data);

}  // namespace nw

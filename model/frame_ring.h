// The one-second window: the frames of the last second, kept to maintain the last-second counters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/netaddr.h"
#include "core/timer.h"

namespace nw {

struct net;
struct node;
struct link;

inline constexpr std::size_t FRAME_RING_INITIAL = 5000;
inline constexpr std::int64_t FRAME_WINDOW_US = 1'000'000;

// Hosts and links are never removed, so an entry keeps the records it counted on instead of
// their addresses: expiry subtracts from exactly what was added, with no look-up.
struct frame_entry {
  node* src = nullptr;
  node* dst = nullptr;
  link* lnk = nullptr;
  std::uint32_t len = 0;  // the whole frame length, beyond 65,535 too
  // The numbers of lnk and src, to wake them when the frame leaves: their samples change.
  std::uint32_t lnk_number = 0;
  std::uint32_t src_number = 0;
  std::int64_t time_us = 0;
};

// A ring that grows instead of overwriting a frame still inside the window, so the counters
// stay exact at any frame rate.
struct frame_ring {
  std::vector<frame_entry> entries;
  std::size_t head = 0;  // written next
  std::size_t tail = 0;  // oldest
  std::size_t count = 0;
};

[[nodiscard]] frame_ring frame_ring_new();

// Enters one frame: looks up its hosts and link by address and counts it. The frame handler
// has counted it on them before and made them active. Caller holds the model lock.
void frame_window_add(net& network, const netaddr& src, const netaddr& dst, std::uint32_t len,
                      capture_time time);
// The same with the records the frame handler has already found (any may be nullptr). Never
// allocates unless more frames than the ring holds arrive within one second.
void frame_window_enter(net& network, node* src, node* dst, link* lnk, std::uint32_t len,
                        capture_time time);

// A live segment fell silent: now moves on to `time` (the wall clock) and every frame more than
// a second before it leaves the window, so the last-second counters fall to 0 and ageing sees
// the silence. Caller holds the model lock.
void frame_window_idle(net& network, capture_time time);

}  // namespace nw

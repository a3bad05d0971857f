// The one-second window over the frame ring.
#include "model/frame_ring.h"

#include <utility>

#include "core/prefetch.h"
#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {
namespace {

void count_in(net& network, const frame_entry& e) {
  network.pkts += 1;
  network.pkts_sec += 1;
  network.pkts_sec2 += 1;
  network.bytes += e.len;
  network.bytes_sec += e.len;
  network.bytes_sec2 += e.len;
  if (node* s = e.src) {
    s->tx_pkts_sec += 1;
    s->tx_pkts_sec2 += 1;
    s->tx_bytes_sec += e.len;
    s->tx_bytes_sec2 += e.len;
  }
  if (link* l = e.lnk) {
    l->pkts_sec += 1;
    l->pkts_sec2 += 1;
    l->bytes_sec += e.len;
    l->bytes_sec2 += e.len;
  }
  if (node* d = e.dst) {
    d->rx_pkts_sec += 1;
    d->rx_pkts_sec2 += 1;
    d->rx_bytes_sec += e.len;
    d->rx_bytes_sec2 += e.len;
  }
}

// A record's last-second counters changed as a frame left: its next sample differs, and one
// that falls to zero its averages take by themselves, without a visit.
void sample_changed(awake_set& awake, moving_avg_pairs& averages, std::uint32_t number, std::uint64_t frames_sec,
                    std::uint64_t bytes_sec) {
  if (frames_sec == 0 && bytes_sec == 0) {
    averages.zero_next_pass(number);
  } else {
    awake.wake(number);
  }
}

void count_out(net& network, const frame_entry& e) {
  network.pkts_sec -= 1;
  network.pkts_sec2 -= 1;
  network.bytes_sec -= e.len;
  network.bytes_sec2 -= e.len;
  if (node* s = e.src) {
    s->tx_pkts_sec -= 1;
    s->tx_pkts_sec2 -= 1;
    s->tx_bytes_sec -= e.len;
    s->tx_bytes_sec2 -= e.len;
    sample_changed(network.awake_hosts, network.host_averages, e.src_number, s->tx_pkts_sec2, s->tx_bytes_sec2);
  }
  if (link* l = e.lnk) {
    l->pkts_sec -= 1;
    l->pkts_sec2 -= 1;
    l->bytes_sec -= e.len;
    l->bytes_sec2 -= e.len;
    sample_changed(network.awake_links, network.link_averages, e.lnk_number, l->pkts_sec2, l->bytes_sec2);
  }
  if (node* d = e.dst) {
    d->rx_pkts_sec -= 1;
    d->rx_pkts_sec2 -= 1;
    d->rx_bytes_sec -= e.len;
    d->rx_bytes_sec2 -= e.len;
  }
}

// The records of an entry that will expire a few frames from now are cold by then (a second
// of other traffic has passed through the cache): start loading them now, so that expiry does
// not wait for memory. The entries themselves, written a second ago, are loaded further ahead
// still, so that reading which records they name does not wait either.
constexpr std::size_t EXPIRY_LOOKAHEAD = 8;
constexpr std::size_t ENTRY_LOOKAHEAD = 32;

const frame_entry& entry_after_tail(const frame_ring& r, std::size_t n) {
  std::size_t at = r.tail + n;
  if (at >= r.entries.size()) at -= r.entries.size();
  return r.entries[at];
}

void prefetch_expiring(const frame_ring& r) {
  if (r.count > ENTRY_LOOKAHEAD) cache_preload(&entry_after_tail(r, ENTRY_LOOKAHEAD));
  if (r.count <= EXPIRY_LOOKAHEAD) return;
  const frame_entry& e = entry_after_tail(r, EXPIRY_LOOKAHEAD);
  cache_preload(e.src);
  cache_preload(e.lnk);
  if (e.dst != nullptr) cache_preload(&e.dst->rx_pkts_sec);
}

// Entries more than one second older than `newest` leave the window. 64-bit time: after a
// pause of any length every older entry goes.
void expire(net& network, std::int64_t newest_us) {
  frame_ring& r = network.frames;
  while (r.count > 0) {
    const frame_entry& e = r.entries[r.tail];
    if (newest_us - e.time_us <= FRAME_WINDOW_US) break;
    count_out(network, e);
    r.tail = r.tail + 1 == r.entries.size() ? 0 : r.tail + 1;
    --r.count;
  }
}

// Every entry is still inside the window: double the ring, oldest first.
void grow(frame_ring& r) {
  std::vector<frame_entry> bigger(r.entries.size() * 2);
  for (std::size_t k = 0; k < r.count; ++k) bigger[k] = r.entries[(r.tail + k) % r.entries.size()];
  r.entries = std::move(bigger);
  r.tail = 0;
  r.head = r.count;
}

}  // namespace

frame_ring frame_ring_new() {
  frame_ring r;
  r.entries.resize(FRAME_RING_INITIAL);
  return r;
}

void frame_window_add(net& network, const netaddr& src, const netaddr& dst, std::uint32_t len,
                      capture_time time) {
  node* s = node_find(network, src);
  link* l = s != nullptr ? link_find(*s, dst) : nullptr;
  node* d = node_find(network, dst);
  frame_window_enter(network, s, d, l, len, time);
}

void frame_window_idle(net& network, capture_time time) {
  const std::int64_t t = model_time_us(time);
  if (t < model_time_us(model_now())) return;  // the clock never runs back
  model_set_now(time);
  expire(network, t);
}

void frame_window_enter(net& network, node* src, node* dst, link* lnk, std::uint32_t len,
                        capture_time time) {
  model_set_now(time);
  // A known link names its hosts' numbers on the line the frame reads anyway.
  const std::uint32_t src_number = lnk != nullptr ? lnk->src_number : src != nullptr ? src->number : 0;
  if (src != nullptr) {
    src->last_tx = time;
    network.awake_hosts.wake(src_number);
  }
  if (lnk != nullptr) {
    lnk->last_seen = time;
    network.awake_links.wake(lnk->number);
  }
  if (dst != nullptr) {
    dst->last_rx = time;
    // Receiving leaves a host's sample as it was and the handler has made it active: only its
    // time-out moves, and one already queued wakes it in time to queue the next.
    const std::uint32_t dst_number = lnk != nullptr ? lnk->dst_number : dst->number;
    if (!network.host_deadlines.queued(dst_number)) network.awake_hosts.wake(dst_number);
  }
  const std::int64_t t = model_time_us(time);
  // Expiring first frees the slots of frames that have left the window before the ring is
  // judged full; the new frame itself is never older than the newest.
  frame_ring& r = network.frames;
  prefetch_expiring(r);
  expire(network, t);
  if (r.entries.empty()) r.entries.resize(FRAME_RING_INITIAL);
  if (r.count == r.entries.size()) grow(r);
  frame_entry& e = r.entries[r.head];
  e = frame_entry{src, dst, lnk, len, lnk != nullptr ? lnk->number : 0, src_number, t};
  count_in(network, e);
  r.head = r.head + 1 == r.entries.size() ? 0 : r.head + 1;
  ++r.count;
}

}  // namespace nw

// Dispatch into the model, the network load and the library's counters.
#include "capture/netif.h"

#include <limits>

#include "model/model_config.h"
#include "model/net.h"

namespace nw {
namespace {

// Bits a frame costs on the wire beyond its octets: Ethernet's preamble, start delimiter and
// gap (24 octets); Token Ring's delimiters and frame status (6 octets).
constexpr std::uint64_t ETHERNET_OVERHEAD_BITS = 192;
constexpr std::uint64_t TOKEN_RING_OVERHEAD_BITS = 48;

void collect(void* user, const frame_header& header, std::span<const std::uint8_t> data) {
  static_cast<frame_batch*>(user)->add(header, data);
}

void collect_kept(void* user, const frame_header& header, std::span<const std::uint8_t> data) {
  static_cast<frame_batch*>(user)->add_kept(header, data);
}

void drop(void*, const frame_header&, std::span<const std::uint8_t>) {}

bool decoded(std::int32_t link_type) { return link_type == LINK_ETHERNET || link_type == LINK_TOKEN_RING; }

}  // namespace

std::int32_t netif_load(std::int32_t link_type, std::uint64_t pkts_sec, std::uint64_t bytes_sec, std::uint64_t speed) {
  const std::uint64_t per_percent = speed / 100;
  if (per_percent == 0) return 0;
  const std::uint64_t overhead = link_type == LINK_TOKEN_RING ? TOKEN_RING_OVERHEAD_BITS : ETHERNET_OVERHEAD_BITS;
  const std::uint64_t load = (pkts_sec * overhead + bytes_sec * 8) / per_percent;
  constexpr auto top = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(load < top ? load : top);
}

int netif_dispatch(net& network, capture_source& source, frame_batch& batch) {
  batch.clear();
  if (!decoded(source.link_type())) return source.dispatch(NETIF_DISPATCH_MAX, drop, nullptr);
  const int got = source.dispatch(NETIF_DISPATCH_MAX, source.frames_kept() ? collect_kept : collect, &batch);
  if (batch.size() > 0) (void)frame_batch_run(network, source.link_type(), batch);
  return got;
}

void netif_account(net& network, capture_source& source) {
  std::uint32_t received = 0, dropped = 0;
  const bool counted = source.stats(received, dropped) > 0;
  model_lock lock;
  if (decoded(source.link_type())) {
    network.load = netif_load(source.link_type(), network.pkts_sec2, network.bytes_sec2, network.adapter.speed);
  }
  if (counted) {
    network.received = received;
    network.dropped = dropped;
  }
}

}  // namespace nw

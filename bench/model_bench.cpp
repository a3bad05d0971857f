// The model's share of the per-frame path and the ageing pass, for a small and a large segment.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <random>
#include <vector>

#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/warm_blocks.h"
#include "model/addr_index.h"
#include "model/frame_prefetch.h"
#include "model/frame_ring.h"
#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "tests/alloc_counter.h"

namespace nw {
namespace {

netaddr mac_of(std::uint32_t i) {
  netaddr a;
  netaddr_init(a, NETADDR_ETHER);
  std::uint8_t* o = netaddr_bytes(a);
  const std::uint8_t bytes[] = {0x00, 0x1B, static_cast<std::uint8_t>(i >> 24), static_cast<std::uint8_t>(i >> 16),
                                static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
  std::copy(std::begin(bytes), std::end(bytes), o);
  return a;
}

struct segment {
  net* network = nullptr;
  std::vector<netaddr> macs;
  std::vector<std::pair<netaddr, netaddr>> frames;  // source, destination, as a frame carries them
  std::vector<frame_keys> keys;                     // the same, packed for the look-ahead
  std::uint64_t host_bytes = 0, link_bytes = 0, links = 0;
};

// Live heap bytes in every arena, the allocator's own overhead included: what records really
// cost. The blocks the warm reserve holds ready for records not made yet are left out.
std::uint64_t heap_in_use() { return mallinfo2().uordblks - warm_blocks::shared().ready() * WARM_BLOCK_BYTES; }

// Talker k is chosen with weight 1/(k+1): a few hosts carry most frames, as on a real LAN.
segment make_segment(std::uint32_t hosts) {
  netaddr_registry_init();
  (void)netaddr_ether_register();
  (void)netaddr_ipv4_register();
  net_list_init();
  model_config_reset();
  node_set_name_service({});  // no name database: only the model is measured
  segment seg;
  static const adapter_desc adapter{"bench0", "", NETTYPE_ETHERNET};
  seg.network = net_new(adapter);
  for (std::uint32_t i = 0; i < hosts; ++i) seg.macs.push_back(mac_of(i * 2654435761U));
  const std::uint64_t before_hosts = heap_in_use();
  for (const auto& m : seg.macs) (void)node_create(*seg.network, m);
  seg.host_bytes = heap_in_use() - before_hosts;

  std::vector<double> weights(hosts);
  for (std::uint32_t k = 0; k < hosts; ++k) weights[k] = 1.0 / (k + 1);
  std::discrete_distribution<std::uint32_t> zipf(weights.begin(), weights.end());
  std::mt19937 rng(7);
  for (int i = 0; i < (1 << 16); ++i) {
    std::uint32_t s = zipf(rng), d = zipf(rng);
    if (s == d) d = (d + 1) % hosts;
    seg.frames.emplace_back(seg.macs[s], seg.macs[d]);
    seg.keys.push_back({addr_key(seg.macs[s]), addr_key(seg.macs[d])});
  }
  const std::uint64_t before_links = heap_in_use();
  for (const auto& [s, d] : seg.frames) {
    node* sn = node_find(*seg.network, s);
    node* dn = node_find(*seg.network, d);
    if (link_find(*sn, dn->mac) == nullptr) {
      (void)link_create(*sn, *dn);
      ++seg.links;
    }
  }
  seg.link_bytes = heap_in_use() - before_links;
  return seg;
}

// What the frame path does in the model for a frame between known hosts over a known link: the
// link found by the frame's addresses names the two hosts. `by_host_index` finds them through
// the host index first instead (two node_find, as a frame over a new link does), to show what
// that costs.
void model_frame(net& network, const netaddr& src, const netaddr& dst, std::uint32_t len, capture_time t,
                 bool by_host_index) {
  link* l = link_find_frame(network, src, dst);
  node* s = by_host_index ? node_find(network, src) : l->src;
  node* d = by_host_index ? node_find(network, dst) : l->dst;
  s->tx_pkts += 1;
  s->tx_bytes += len;
  s->active = 1;
  d->rx_pkts += 1;
  d->rx_bytes += len;
  l->pkts += 1;
  l->bytes += len;
  l->active = 1;
  frame_window_enter(network, s, d, l, len, t);
}

// Arguments: hosts, look-ahead as the capture path runs it (0 or 1), hosts found through the
// host index (0 or 1).
void BM_FrameKnownHosts(benchmark::State& state) {
  const bool lookahead = state.range(1) != 0;
  const bool by_host_index = state.range(2) != 0;
  segment seg = make_segment(static_cast<std::uint32_t>(state.range(0)));
  std::int64_t now_us = 1'700'000'000LL * 1'000'000;
  std::size_t i = 0;
  const auto step = [&] {
    if (lookahead) {
      frame_prefetch_slot(*seg.network, seg.keys[(i + PREFETCH_SLOT_AHEAD) & 0xFFFF]);
      frame_prefetch_link(*seg.network, seg.keys[(i + PREFETCH_LINK_AHEAD) & 0xFFFF]);
      frame_prefetch_hosts(*seg.network, seg.keys[(i + PREFETCH_HOSTS_AHEAD) & 0xFFFF]);
    }
    const auto& [s, d] = seg.frames[i++ & 0xFFFF];
    now_us += 5;  // 200,000 frames a second
    model_frame(*seg.network, s, d, 590,
                capture_time{static_cast<std::int32_t>(now_us / 1'000'000), static_cast<std::int32_t>(now_us % 1'000'000)},
                by_host_index);
  };
  for (int w = 0; w < 400'000; ++w) step();  // the ring reaches its size for this rate
  const std::uint64_t allocs_before = test::allocation_count.load();
  for (auto _ : state) step();
  state.counters["allocs_per_frame"] =
      benchmark::Counter(static_cast<double>(test::allocation_count.load() - allocs_before) / static_cast<double>(state.iterations()));
  state.counters["bytes_per_host"] = static_cast<double>(seg.host_bytes) / static_cast<double>(state.range(0));
  state.counters["bytes_per_link"] = static_cast<double>(seg.link_bytes) / static_cast<double>(seg.links);
  state.counters["links"] = static_cast<double>(seg.links);
}
BENCHMARK(BM_FrameKnownHosts)->ArgsProduct({{1000, 50000}, {0, 1}, {0}});
BENCHMARK(BM_FrameKnownHosts)->ArgsProduct({{1000, 50000}, {1}, {1}});

void BM_AgeingPass(benchmark::State& state) {
  segment seg = make_segment(static_cast<std::uint32_t>(state.range(0)));
  model_set_now(capture_time{1'700'000'000, 0});
  for (auto _ : state) net_age(*seg.network);
  state.counters["links"] = static_cast<double>(seg.links);
}
BENCHMARK(BM_AgeingPass)->Arg(1000)->Arg(50000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nw

BENCHMARK_MAIN();

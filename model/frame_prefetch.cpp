#include "model/frame_prefetch.h"

#include "model/addr_index.h"
#include "model/link.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {

void frame_prefetch_slots(const net& network, const netaddr& src, const netaddr& dst) {
  const std::uint64_t s = addr_key(src), d = addr_key(dst);
  network.host_index.prefetch({s});
  network.host_index.prefetch({d});
  network.link_index.prefetch({s, d});
}

void frame_prefetch_records(const net& network, const netaddr& src, const netaddr& dst) {
  const std::uint64_t s = addr_key(src), d = addr_key(dst);
  if (const node* h = network.host_index.find({s})) __builtin_prefetch(h, 1);
  if (const node* h = network.host_index.find({d})) __builtin_prefetch(&h->rx_pkts_sec, 1);
  if (const link* l = network.link_index.find({s, d})) {
    __builtin_prefetch(l, 1);
    __builtin_prefetch(&l->src, 1);  // its number, which the window keeps
  }
}

}  // namespace nw

#include "model/frame_prefetch.h"

#include "core/prefetch.h"
#include "model/addr_index.h"
#include "model/link.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {
namespace {

// The frame's link when the network knows it; its slot was loaded by the first stage.
const link* known_link(const net& network, const frame_keys& keys) {
  return keys.src != 0 ? network.link_index.find({keys.src, keys.dst}) : nullptr;
}

}  // namespace

void frame_prefetch_slot(const net& network, const frame_keys& keys) {
  if (keys.src != 0) network.link_index.prefetch({keys.src, keys.dst});
}

void frame_prefetch_link(const net& network, const frame_keys& keys) {
  if (const link* l = known_link(network, keys)) {
    cache_preload(l);
    cache_preload(&l->src);
  }
}

void frame_prefetch_hosts(const net& network, const frame_keys& keys) {
  if (const link* l = known_link(network, keys)) {
    cache_preload(l->src);
    cache_preload(&l->dst->rx_pkts_sec);
    cache_preload(&l->src->ip);  // an IP frame's source learns, its destination names the link
    cache_preload(&l->dst->ip);
    // The protocol tree a frame walks from its root: its first levels fill the first two lines.
    // Only the array's start is read: its end lies on the record's third line, not loaded.
    if (const auto* tree = reinterpret_cast<const char*>(l->proto_nodes.data())) {
      cache_preload(tree);
      cache_preload(tree + 64);
    }
  }
}

}  // namespace nw

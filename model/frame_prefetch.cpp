#include "model/frame_prefetch.h"

#include <algorithm>

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

// What making a link reads of its two hosts: the counters the frame changes, the lists the link
// joins and the addresses it is entered under.
void preload_new_link_hosts(const net& network, const frame_keys& keys) {
  if (const node* s = network.host_index.find({keys.src})) {
    cache_preload(s);
    cache_preload(&s->mac);
    cache_preload(&s->links_out);
  }
  if (const node* d = network.host_index.find({keys.dst})) {
    cache_preload(&d->rx_pkts_sec);
    cache_preload(&d->mac);
    cache_preload(&d->ip);
    cache_preload(&d->links_in);
  }
}

}  // namespace

void frame_prefetch_slot(const net& network, const frame_keys& keys) {
  if (keys.src != 0) network.link_index.prefetch({keys.src, keys.dst});
}

void frame_prefetch_link(const net& network, const frame_keys& keys) {
  if (const link* l = known_link(network, keys)) {
    cache_preload(l);
    cache_preload(&l->src);
  } else if (keys.src != 0) {
    // A new conversation: its hosts are found through the host index.
    network.host_index.prefetch({keys.src});
    network.host_index.prefetch({keys.dst});
  }
}

void frame_prefetch_hosts(const net& network, const frame_keys& keys) {
  if (keys.src == 0) return;
  const link* l = known_link(network, keys);
  if (l == nullptr) {
    preload_new_link_hosts(network, keys);
    return;
  }
  cache_preload(l->src);
  cache_preload(&l->dst->rx_pkts_sec);
  cache_preload(&l->src->ip);  // an IP frame's source learns, its destination names the link
  cache_preload(&l->dst->ip);
  // The protocol tree a frame walks from its root, up to four lines: a common path of six
  // protocols fills three or four.
  if (!l->proto_nodes.empty()) {
    const auto* tree = reinterpret_cast<const char*>(l->proto_nodes.data());
    constexpr std::size_t TREE_LINES_MAX = 4;
    const std::size_t bytes = std::min(l->proto_nodes.size() * sizeof(proto_stat), TREE_LINES_MAX * 64);
    for (std::size_t at = 0; at < bytes; at += 64) cache_preload(tree + at);
    cache_preload(tree + bytes - 1);  // an array that does not start a line ends on one more
  }
}

void frame_prefetch_new_link(const net& network, const frame_keys& keys) {
  if (keys.src == 0 || known_link(network, keys) != nullptr) return;
  if (const node* s = network.host_index.find({keys.src})) s->links_out.preload_end();
  if (const node* d = network.host_index.find({keys.dst})) {
    d->links_in.preload_end();
    if (d->ip_key != 0) network.link_index.prefetch({keys.src, d->ip_key});
  }
}

}  // namespace nw

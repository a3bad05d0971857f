#include "model/frame_prefetch.h"

#include <algorithm>

#include "core/prefetch.h"
#include "model/addr_index.h"
#include "model/link.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {

void frame_prefetch_slot(const net& network, const frame_keys& keys) {
  if (keys.src != 0) network.link_index.prefetch(keys.src, keys.dst);
}

void frame_prefetch_link(const net& network, frame_keys& keys) {
  if (keys.src == 0) return;
  keys.lnk = link_numbered(network, network.link_index.find(keys.src, keys.dst));  // its slot came with the first stage
  if (keys.lnk != nullptr) {
    cache_preload(keys.lnk);
    cache_preload(&keys.lnk->src);
  } else {
    // A new conversation: its hosts are found through the host index.
    network.host_index.prefetch(keys.src);
    network.host_index.prefetch(keys.dst);
  }
}

void frame_prefetch_hosts(const net& network, frame_keys& keys) {
  if (keys.src == 0) return;
  const link* l = keys.lnk;
  if (l == nullptr) {
    // What making the link reads of its two hosts: the counters the frame changes, the lists the
    // link joins and the addresses it is entered under.
    if ((keys.src_host = network.host_index.find(keys.src)) != nullptr) {
      cache_preload(keys.src_host);
      cache_preload(&keys.src_host->mac);
      cache_preload(&keys.src_host->links_out);
    }
    if ((keys.dst_host = network.host_index.find(keys.dst)) != nullptr) {
      cache_preload(&keys.dst_host->rx_pkts_sec);
      cache_preload(&keys.dst_host->mac);
      cache_preload(&keys.dst_host->ip);
      cache_preload(&keys.dst_host->links_in);
    }
    return;
  }
  cache_preload(l->src);
  cache_preload(&l->dst->rx_pkts_sec);
  if (!l->src_has_ip) cache_preload(&l->src->ip);  // an IP frame's source learns
  if (l->ip_order == 0) cache_preload(&l->dst->ip);  // the link is entered under its address
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

void frame_prefetch_new_link(const frame_keys& keys) {
  if (keys.src == 0 || keys.lnk != nullptr) return;
  if (keys.src_host != nullptr) keys.src_host->links_out.preload_end();
  if (keys.dst_host != nullptr) keys.dst_host->links_in.preload_end();
}

}  // namespace nw

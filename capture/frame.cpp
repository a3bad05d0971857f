// The two frame handlers. Both find or make the frame's hosts and link first and only then
// offer and count, in the order the rankings rely on: ranked items are offered before their
// counters grow. Making everything first means a failed allocation leaves no counter half
// updated.
#include "capture/frame.h"

#include <new>

#include "capture/frame_addr.h"
#include "capture/trmac.h"
#include "model/addr_index.h"
#include "model/frame_ring.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd.h"
#include "stats/host_topn.h"
#include "stats/link_topn.h"
#include "stats/recv_topn.h"

namespace nw {
namespace {

constexpr std::uint16_t ETHERTYPE_IPV4 = 0x0800;

std::uint16_t be16(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
}

// The records a frame counts on, once they exist.
struct frame_records {
  node* src = nullptr;
  node* dst = nullptr;
  link* lnk = nullptr;
  bool src_new = false;
  bool dst_new = false;
  bool counted = false;  // the hosts' counters include the frame
};

void find_or_make(net& network, const netaddr& src, const netaddr& dst, frame_records& r) {
  // A known link names its hosts: the common frame reads no host index slot.
  r.lnk = link_find_frame(network, src, dst);
  if (r.lnk != nullptr) {
    r.src = r.lnk->src;
    r.dst = r.lnk->dst;
    return;
  }
  r.src = node_find(network, src);
  if (r.src == nullptr) r.src = node_create(network, src), r.src_new = true;
  r.dst = node_find(network, dst);
  if (r.dst == nullptr) r.dst = node_create(network, dst), r.dst_new = true;
  r.lnk = link_create(*r.src, *r.dst);
}

// Steps 3 to 7: hosts and link offered to their rankings, hosts counted.
void count_hosts(net& network, frame_records& r, std::uint32_t len) {
  const capture_time now = model_now();
  node& s = *r.src;
  topn_offer(network.senders_rank, s);
  if (r.src_new) topn_offer(network.receivers_rank, s);
  s.tx_pkts += 1;
  s.tx_bytes += len;
  s.active = 1;
  s.last_tx = now;

  node& d = *r.dst;
  topn_offer(network.receivers_rank, d);
  if (r.dst_new) topn_offer(network.senders_rank, d);
  d.rx_pkts += 1;
  d.rx_bytes += len;
  d.active = 1;
  d.last_rx = now;

  topn_offer(network.links_rank, *r.lnk);
  r.counted = true;
}

// Only the source learns: the hardware destination of an IP frame may be a router.
void learn_ip(const frame_records& r, std::span<const std::uint8_t> ip_source) {
  link& l = *r.lnk;
  if (!l.src_has_ip) {
    if (!r.src->ip) node_learn_ip(*r.src, ip_source.data());
    l.src_has_ip = r.src->ip != nullptr;
  }
  (void)link_add_ip(*r.src, *r.dst, l);
}

// Step 9.
void count_link(const frame_records& r, std::span<protocol_node* const> path, std::uint32_t len) {
  link& l = *r.lnk;
  l.pkts += 1;
  l.bytes += len;
  l.active = 1;
  l.last_seen = model_now();
  link_proto_count(l, path, len);
}

// The frame's protocol path, counted: classified here, or by the file's reading thread already.
std::span<protocol_node* const> classify(net& network, const frame_header& header, std::span<const std::uint8_t> data) {
  if (network.media == nullptr) return {};
  const auto length = static_cast<std::int32_t>(header.length);
  if (header.path != nullptr) return {header.path, pd_count(header.path, length)};
  return pd_decode(data, length, network.media);
}

// Fills r as it goes; a frame too short to name its hosts leaves r empty.
using handler = void (*)(net&, const frame_header&, std::span<const std::uint8_t>, frame_records& r);

void handle_ether(net& network, const frame_header& header, std::span<const std::uint8_t> data, frame_records& r) {
  const std::uint32_t len = header.length;
  const auto path = classify(network, header, data);
  netaddr src, dst;
  if (!frame_ether_addresses(data, src, dst)) return;
  find_or_make(network, src, dst, r);
  count_hosts(network, r, len);
  if (data.size() >= 30 && be16(data, 12) == ETHERTYPE_IPV4) learn_ip(r, data.subspan(26, 4));
  count_link(r, path, len);
}

void handle_tr(net& network, const frame_header& header, std::span<const std::uint8_t> data, frame_records& r) {
  const std::uint32_t len = header.length;
  const auto path = classify(network, header, data);
  netaddr src, dst;
  if (!frame_tr_addresses(data, src, dst)) return;
  find_or_make(network, src, dst, r);
  count_hosts(network, r, len);
  if ((data[1] & 0xC0) == 0) {
    trmac_frame(network, *r.src, *r.dst, data);
  } else {
    // The routing information's length needs octet 14; without it nothing past it is read.
    const bool routed = (data[8] & 0x80) != 0;
    if (!routed || data.size() > 14) {
      const std::size_t llc = 14 + (routed ? (data[14] & 0x1Fu) : 0u);
      if (data.size() >= llc + 24 && data[llc] == 0xAA && data[llc + 1] == 0xAA && data[llc + 2] == 0x03 &&
          be16(data, llc + 6) == ETHERTYPE_IPV4)
        learn_ip(r, data.subspan(llc + 20, 4));
    }
  }
  count_link(r, path, len);
}

// The frame enters the window with whatever records it counted on: a frame too short to name
// its hosts still counts on the network. When memory runs out while its hosts or link are
// being made, no counter has moved yet and the frame is dropped whole; once the hosts have
// counted it, it enters the window too, so the last-second counters stay the totals' match.
int netif_frame(handler h, net& network, const frame_header& header, std::span<const std::uint8_t> data) {
  model_set_now(header.time);
  frame_records r;
  try {
    h(network, header, data, r);
  } catch (const std::bad_alloc&) {
    if (!r.counted) return 0;
  }
  frame_window_enter(network, r.src, r.dst, r.lnk, header.length, header.time);
  return 0;
}

}  // namespace

void frame_ether(net& network, std::span<const std::uint8_t> data, std::uint32_t len) {
  frame_records r;
  handle_ether(network, frame_header{model_now(), len}, data, r);
}

void frame_tr(net& network, std::span<const std::uint8_t> data, std::uint32_t len) {
  frame_records r;
  handle_tr(network, frame_header{model_now(), len}, data, r);
}

int netif_ether_frame(net& network, const frame_header& header, std::span<const std::uint8_t> data) {
  return netif_frame(handle_ether, network, header, data);
}

int netif_tr_frame(net& network, const frame_header& header, std::span<const std::uint8_t> data) {
  return netif_frame(handle_tr, network, header, data);
}

}  // namespace nw

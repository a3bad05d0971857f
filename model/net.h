// Network objects: one per capture adapter, holding its hosts, rankings and frame window.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/hashtable.h"
#include "core/hutil.h"
#include "core/netaddr.h"
#include "model/adapter_desc.h"
#include "model/addr_index.h"
#include "model/awake_set.h"
#include "model/frame_ring.h"
#include "model/host_order.h"
#include "model/link.h"
#include "model/link_mac_index.h"
#include "model/node.h"
#include "model/proto_paths.h"
#include "core/record_blocks.h"
#include "core/small_array_pool.h"
#include "model/wake_queue.h"
#include "stats/topn.h"

namespace nw {

struct node;
struct link;
struct protocol_node;
struct alarm_def;

inline constexpr std::size_t NET_NAME_MAX = 255;
inline constexpr std::size_t LINK_BLOCK_RECORDS = 512;
inline constexpr std::size_t HOST_BLOCK_RECORDS = WARM_BLOCK_BYTES / sizeof(node);

// A link's entry by its destination's IPv4 address (the address's addr_key), kept after the
// destination forgot the address.
struct earlier_ip_entry {
  std::uint64_t ip_key = 0;
  std::uint32_t link_number = 0;
  std::uint32_t order = 0;
};

struct net {
  std::string name;
  adapter_desc adapter;  // a copy: the capture library's list does not outlive start-up
  // hosts_by_mac and hosts_by_ip in one table (the key carries the address's kind): hosts by
  // hardware address, and by IPv4 address where the host that learned it last wins.
  addr_index<node> host_index;
  // Links by their source's and destination's mac: the look-up side of every host's links_out.
  link_mac_index link_index;
  // Every host's links_out_ip lives on its links (link::ip_order), but for the entries made
  // under an address that a destination has since forgotten.
  std::vector<earlier_ip_entry> earlier_ip_entries;
  std::uint32_t ip_entries_made = 0;
  // The protocol paths of the links that carried one kind of traffic (link::one_path).
  proto_path_table proto_paths;
  // Ascending mac order.
  host_order host_list;
  // The arrays of every host's link lists; before the hosts, so that it outlives them.
  small_array_pool link_lists;
  // The same hosts in creation order, which is the order of their numbers and their averages'
  // rows, in blocks of warm memory as the links are. Owns the hosts.
  record_blocks<node, HOST_BLOCK_RECORDS> hosts_made;
  // Every link by number, which is creation order: the ageing pass visits links here, not
  // through each host's own lists. Owns the links.
  record_blocks<link, LINK_BLOCK_RECORDS> links;
  // The links the ageing pass must visit, by number. A link's sample and colour change only
  // with its next frame or a frame of it leaving the window: after the pass that follows, it
  // sleeps until then, and the samples it misses are the one it last took (moving_avg_pairs).
  // The frame window wakes it (a frame leaving that empties its last second only tells its
  // averages, which take the zero themselves). Its time-out needs no visit: link_active judges a
  // sleeping link by the last pass's clock and time-out (aged_at, links_timeout_s), and its
  // hosts stay active through their own last frames' times (node_age). A new link time-out or
  // focus wakes every link, since activity and colours were worked out with the old one. On a
  // large segment most links sleep, and the pass costs what changed, not what was ever seen.
  awake_set awake_links;
  capture_time aged_at;  // now, as of the last ageing pass
  std::uint32_t links_timeout_s = UINT32_MAX;  // the link time-out of the last ageing pass
  std::uint32_t links_focus = UINT32_MAX;  // the focus generation of the last ageing pass
  // The hosts the ageing pass must visit, by number, the same way: a host sleeps from the
  // pass after its last frame until a frame it sends or receives, one it sent leaving the
  // window (unless that empties its last second), its time-out, or the map clearing its active
  // flag. New time-outs wake every host.
  awake_set awake_hosts;
  wake_queue host_deadlines;
  std::uint32_t host_deadlines_node_timeout_s = UINT32_MAX;
  std::uint32_t host_deadlines_link_timeout_s = UINT32_MAX;
  // The samples of the hosts' and links' moving averages, by record number.
  moving_avg_pairs host_averages;
  moving_avg_pairs link_averages;
  std::uint32_t node_count = 0;
  std::uint32_t link_count = 0;
  std::uint32_t dropped = 0, received = 0;
  std::int32_t load = 0;
  std::int32_t peak_load = 0;
  float avg_load = 0.0f;
  std::uint64_t pkts_sec = 0, pkts = 0, pkts_sec2 = 0;
  std::uint64_t bytes_sec = 0, bytes = 0, bytes_sec2 = 0;
  frame_ring frames;
  // Made on first use by alarm_rank and changed only under the alarm mutex: the record type
  // belongs to the alarm module.
  topn<alarm_def> alarms_rank;
  topn<node> senders_rank;
  topn<node> receivers_rank;
  topn<link> links_rank;
  protocol_node* media = nullptr;

  net();
  ~net();
  net(const net&) = delete;
  net& operator=(const net&) = delete;
};

// Empties the list of networks and the current network (tests start clean).
void net_list_init();
// The new network, appended to the list. Its media node is looked up in the loaded protocol
// tree; a failed adapter (type -1) shows message 50043.
net* net_new(const adapter_desc& adapter);
[[nodiscard]] net* net_find(const adapter_desc& adapter);
[[nodiscard]] std::span<const std::unique_ptr<net>> net_list();
[[nodiscard]] net* net_current();
void net_set_current(net* network);  // nullptr is ignored
// The ageing pass: every host that is awake (each host's share touches that host alone, so they
// go in creation order), then every link that is awake.
void net_age(net& network);
// Every link takes its colour from the current focus; takes the model lock itself.
void net_recolor_links(net& network);
// node_set_label_state(host, 7) for every host.
void net_reset_label_states(net& network);
// One network per adapter; a network without a media node shows message 50048 and the next
// adapter follows.
void adapter_nets_create(std::span<const adapter_desc> adapters);

}  // namespace nw

// Links: the traffic from one host to another in one direction, with its counters and ageing.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/hashtable.h"
#include "core/hutil.h"
#include "core/netaddr.h"
#include "core/timer.h"

namespace nw {

struct net;
struct node;
struct protocol_node;

// One protocol a link carried, reached by the protocols on its level's parent. Its neighbours
// are named by their place in the link's proto_nodes plus one (0: none), so that the whole
// tree is one array a frame reads front to back instead of a chain of separate allocations.
struct proto_stat {
  const protocol_node* proto = nullptr;
  std::uint64_t bytes = 0;
  std::uint64_t frames = 0;
  std::uint32_t sibling = 0;  // the next protocol on the same level, in order of first appearance
  std::uint32_t child = 0;    // the first protocol carried inside this one
};

// What every frame touches fills the first cache line, what names its hosts and its protocol
// tree the second; an ageing visit reads the first alone. The moving averages' samples live in the network's link_averages.
struct alignas(64) link {
  std::uint64_t pkts_sec = 0, pkts = 0, pkts_sec2 = 0;
  std::uint64_t bytes_sec = 0, bytes = 0, bytes_sec2 = 0;
  capture_time last_seen;
  std::uint32_t number = 0;  // in creation order: the record of the network's link averages
  // As the link's last ageing visit found it, or 1 after a frame since: read through
  // link_active, which also knows the time-outs that came while the link slept.
  std::int16_t active = 1;
  // The protocol counts or the focus changed since focus_color was worked out.
  bool colour_stale = true;

  node* src = nullptr;
  node* dst = nullptr;
  std::int32_t links_pos = -1;
  // The hosts' numbers, which a frame over the link wakes for the ageing pass without reading
  // either host's record for them.
  std::uint32_t src_number = 0;
  std::uint32_t dst_number = 0;
  // The link's entry in its source's links by destination IPv4 address, under the
  // destination's address: the order in which the network's entries were made (0: none). Of the
  // links entered under one address the first is the one found, so a frame enters its link
  // without looking first. A destination that forgets its address hands its links' entries to
  // the network's earlier_ip_entries, and may enter them again under the next one it learns.
  std::uint32_t ip_order = 0;
  // While every frame the link counted took one protocol path: its number in the network's
  // proto_paths, and proto_nodes is empty. Each protocol of the path then counted every frame
  // and byte the link did (pkts, bytes), so the link needs no tree of its own until a frame
  // takes another path.
  std::uint32_t one_path = 0;
  std::int8_t focus_color = 0;  // a palette colour, -1 for none; 0 until the first ageing pass
  // The source knew its IP address at the link's last IP frame, so the next one need not read
  // the source's record to learn; the source forgetting its address clears it on its links.
  bool src_has_ip = false;
  // The protocol tree, its root first, the others in order of creation; see one_path.
  std::vector<proto_stat> proto_nodes;

  link() = default;
  link(const link&) = delete;
  link& operator=(const link&) = delete;
};
static_assert(sizeof(link) == 128, "a link's frame path reads two cache lines");

// The root of a protocol tree, or the node a sibling or child number names; nullptr for none.
[[nodiscard]] inline const proto_stat* proto_stat_root(std::span<const proto_stat> tree) {
  return tree.empty() ? nullptr : tree.data();
}
[[nodiscard]] inline const proto_stat* proto_stat_at(std::span<const proto_stat> tree, std::uint32_t number) {
  return number != 0 ? &tree[number - 1] : nullptr;
}

// The new link from s to d, entered into s's links_out and d's links_in; the network owns it.
// There must be no link from s to d yet (link_find gave none).
link* link_create(node& s, node& d);
// When both hosts have an IPv4 address and l has no entry yet, l is entered in s's links by d's
// address, where link_find gives it unless a link was entered under that address before.
// Returns l.
link* link_add_ip(const node& s, const node& d, link& l);
// Before d forgets its IPv4 address: its links keep their entries under it, and may be entered
// again under its next one.
void link_keep_ip_entries(const node& d);
// The link on which `from` is the source and the destination has `address` (hardware address
// or IPv4 address); nullptr otherwise. Never allocates. By IPv4 address it walks from's links,
// which only the alarms' binding asks for.
[[nodiscard]] link* link_find(const node& from, const netaddr& address);
// The link numbered `number`, or nullptr for link_mac_index::NONE.
[[nodiscard]] link* link_numbered(const net& network, std::uint32_t number);
// link_find for a frame's two hardware addresses, its source being the source host's mac: the
// frame path's look-up, which so reads neither host's record for an address.
[[nodiscard]] link* link_find_frame(const net& network, const netaddr& src, const netaddr& dst);
// One link's share of the ageing pass: a moving-average sample of its last second (pkts_avg and
// bytes_avg), and while it had a frame within the link time-out it is active and takes its
// colour from the focus. Its hosts' activity follows from their own last frames (node_age),
// which are its frames too.
void link_age(link& l, capture_time now, moving_avg_pairs& averages);
// Whether the link had a frame within the link time-out as of the last ageing pass, or has had
// one since: what the map and the alarms read as the link's active flag. Caller holds the model
// lock.
[[nodiscard]] bool link_active(const link& l);
// The means of pkts_avg and bytes_avg as of the last ageing pass.
[[nodiscard]] moving_means link_avg(const link& l);

}  // namespace nw

// Look-ahead for a batch of frames. A frame over a link that has left the cache waits for
// memory three times in a row: the link's index slot, then its record, then what the record
// names (its hosts' records and its protocol tree); a frame of a new conversation four: the
// link's slot, its hosts' slots, their records, then the ends of their link lists.
// Started a few frames apart ahead of the frame, the loads overlap the frames in between.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nw {

struct net;
struct link;
struct node;

// How far ahead of its frame each stage runs: each a few frames after the one before, so that a
// load from memory finishes while the frames in between are handled, and near enough that what
// was loaded is still cached.
inline constexpr std::size_t PREFETCH_SLOT_AHEAD = 12;
inline constexpr std::size_t PREFETCH_LINK_AHEAD = 8;
inline constexpr std::size_t PREFETCH_HOSTS_AHEAD = 4;
inline constexpr std::size_t PREFETCH_NEW_LINK_AHEAD = 2;

// A frame's two hardware addresses as the indexes key them (addr_key), packed once for all
// stages, and what the stages found for the later ones: each record is looked up once.
struct frame_keys {
  std::uint64_t src = 0;
  std::uint64_t dst = 0;
  const link* lnk = nullptr;        // the second stage's: the link, when the network knows it
  const node* src_host = nullptr;   // the third stage's, for a new link: its hosts
  const node* dst_host = nullptr;
};

// First stage: the link's index slot.
void frame_prefetch_slot(const net& network, const frame_keys& keys);
// Second stage: the link's record, its counters and the numbers and hosts the frame reads; for
// a link the network does not know yet, its hosts' index slots.
void frame_prefetch_link(const net& network, frame_keys& keys);
// Third stage: the counters of the link's two hosts that the frame changes, and the link's
// protocol tree; for a new link, what making it reads of its hosts.
void frame_prefetch_hosts(const net& network, frame_keys& keys);
// Fourth stage, for a new link only, what the third stage's loads of its hosts name: the ends of
// the hosts' link lists, where it is added.
void frame_prefetch_new_link(const frame_keys& keys);

}  // namespace nw

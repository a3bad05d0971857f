// Look-ahead for a batch of frames. A frame between hosts and over a link that have left the
// cache waits for memory twice (the index slots, then the records); started a few frames
// ahead, both loads overlap the frames in between instead.
#pragma once

#include "core/netaddr.h"

namespace nw {

struct net;

// First stage: the index slots of the frame's two hosts and its link.
void frame_prefetch_slots(const net& network, const netaddr& src, const netaddr& dst);
// Second stage, a few frames later: the records those slots name (nothing for a host or link
// the network does not know yet).
void frame_prefetch_records(const net& network, const netaddr& src, const netaddr& dst);

}  // namespace nw

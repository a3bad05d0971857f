// The protocols each link carried, and the link colour they give under the protocol focus.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/link.h"

namespace nw {

struct protocol_node;

struct focus_entry {
  const protocol_node* proto = nullptr;
  std::int32_t color = 0;
};

// The protocol focus: the protocols whose colours the map shows, in priority order.
struct protocol_focus {
  std::vector<focus_entry> entries;
};

// The display owns the focus and keeps it alive while it is current; nullptr: no focus. A focus
// whose entries changed is set again, so that links work out their colours anew.
void link_set_focus(const protocol_focus* focus);
[[nodiscard]] const protocol_focus* link_current_focus();
// Counts the calls of link_set_focus.
[[nodiscard]] std::uint32_t link_focus_generation();

// l's protocol tree, its root first: its own nodes, or those of its one path made in scratch.
[[nodiscard]] std::span<const proto_stat> link_proto_tree(const link& l, std::vector<proto_stat>& scratch);
// Adds one frame of `len` bytes along `path` (outermost first, ended by nullptr or the span's
// end), once the link's pkts and bytes count it. An empty path counts nothing.
void link_proto_count(link& l, std::span<protocol_node* const> path, std::uint32_t len);
// The statistics node made last for proto in a link's tree (link_proto_tree; a protocol may sit
// at several places of it), or nullptr.
[[nodiscard]] const proto_stat* link_proto_index(std::span<const proto_stat> tree, const protocol_node* proto);
// The colour of the focus protocol that carried most bytes on the link (the earlier entry on a
// tie, never one with 0 bytes); -1 for none or no focus.
[[nodiscard]] std::int32_t link_focus_color(const link& l);

}  // namespace nw

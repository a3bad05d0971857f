// The per-link protocol tree and the focus colour rule.
#include "model/linkstat.h"

#include <algorithm>
#include <atomic>

namespace nw {
namespace {

// Set by the display on the window thread, read by the capture thread's ageing pass.
std::atomic<const protocol_focus*> current_focus{nullptr};
std::atomic<std::uint32_t> focus_generation{0};

// The new node's number (its place plus one). Nodes move when the array grows: callers hold
// places, not addresses, across this call.
std::uint32_t stat_new(link& l, const protocol_node* proto) {
  l.proto_nodes.push_back(proto_stat{proto});
  return static_cast<std::uint32_t>(l.proto_nodes.size());
}

}  // namespace

void link_set_focus(const protocol_focus* focus) {
  current_focus.store(focus);
  focus_generation.fetch_add(1);
}

std::uint32_t link_focus_generation() { return focus_generation.load(); }

const protocol_focus* link_current_focus() { return current_focus.load(); }

// Each level lists the protocols that followed its parent, in order of first appearance;
// every node counts the frames and bytes that passed through it.
void link_proto_count(link& l, std::span<protocol_node* const> path, std::uint32_t len) {
  std::size_t i = 0;
  const auto at = [&](std::size_t k) -> const protocol_node* { return k < path.size() ? path[k] : nullptr; };
  if (at(0) == nullptr) return;
  l.colour_stale = true;
  if (l.proto_nodes.empty()) {
    // Most links carry one kind of traffic: the first path's nodes in one allocation.
    l.proto_nodes.reserve(static_cast<std::size_t>(std::find(path.begin(), path.end(), nullptr) - path.begin()));
    (void)stat_new(l, at(0));
  }
  std::uint32_t cur = 1;
  // The node that cur's `field` names, made for the path's next protocol when there is none.
  const auto follow = [&](std::uint32_t proto_stat::*field) {
    if (l.proto_nodes[cur - 1].*field == 0) {
      const std::uint32_t made = stat_new(l, at(i));
      l.proto_nodes[cur - 1].*field = made;
    }
    return l.proto_nodes[cur - 1].*field;
  };
  while (at(i) != nullptr) {
    proto_stat& s = l.proto_nodes[cur - 1];
    if (s.proto == at(i)) {
      ++s.frames;
      s.bytes += len;
      ++i;
      if (at(i) == nullptr) break;
      cur = follow(&proto_stat::child);
    } else {
      cur = follow(&proto_stat::sibling);
    }
  }
}

// A link's tree holds a handful of nodes: a scan from the newest costs less than a hash table
// per link would, in time and far more in memory.
const proto_stat* link_proto_index(const link& l, const protocol_node* proto) {
  for (auto it = l.proto_nodes.rbegin(); it != l.proto_nodes.rend(); ++it)
    if (it->proto == proto) return &*it;
  return nullptr;
}

std::int32_t link_focus_color(const link& l) {
  const protocol_focus* focus = current_focus.load();
  if (focus == nullptr) return -1;
  std::uint64_t best = 0;
  std::int32_t result = -1;
  for (const focus_entry& e : focus->entries) {
    const proto_stat* found = link_proto_index(l, e.proto);
    if (found != nullptr && found->bytes > best) {
      best = found->bytes;
      result = e.color;
    }
  }
  return result;
}

}  // namespace nw

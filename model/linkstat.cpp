// The per-link protocol tree and the focus colour rule.
#include "model/linkstat.h"

#include <algorithm>
#include <atomic>

#include "model/net.h"
#include "model/node.h"

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

// The tree a link of one path has: each protocol the child of the one before, each with the
// same counts.
void append_chain(std::vector<proto_stat>& tree, std::span<const protocol_node* const> path, std::uint64_t frames,
                  std::uint64_t bytes) {
  for (std::size_t k = 0; k < path.size(); ++k) {
    const auto next = static_cast<std::uint32_t>(k + 2);
    tree.push_back(proto_stat{path[k], bytes, frames, 0, k + 1 < path.size() ? next : 0});
  }
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
  proto_path_table& paths = l.src->network->proto_paths;
  if (at(0) != nullptr) l.colour_stale = true;
  if (l.one_path != 0) {
    if (paths.same(l.one_path, path)) return;
    // Another path, or none: from now on the link keeps a tree of its own, made with the counts
    // of the frames before this one.
    const auto one = paths.at(l.one_path);
    l.proto_nodes.reserve(one.size() + 1);
    append_chain(l.proto_nodes, one, l.pkts - 1, l.bytes - len);
    l.one_path = 0;
  }
  if (at(0) == nullptr) return;
  if (l.proto_nodes.empty()) {
    if (l.pkts == 1) {
      l.one_path = paths.intern(path);
      return;
    }
    // Frames without a path came first: their counts are the link's, not its protocols'.
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

std::span<const proto_stat> link_proto_tree(const link& l, std::vector<proto_stat>& scratch) {
  if (l.one_path == 0) return l.proto_nodes;
  scratch.clear();
  append_chain(scratch, l.src->network->proto_paths.at(l.one_path), l.pkts, l.bytes);
  return scratch;
}

// A link's tree holds a handful of nodes: a scan from the newest costs less than a hash table
// per link would, in time and far more in memory.
const proto_stat* link_proto_index(std::span<const proto_stat> tree, const protocol_node* proto) {
  for (auto it = tree.rbegin(); it != tree.rend(); ++it)
    if (it->proto == proto) return &*it;
  return nullptr;
}

std::int32_t link_focus_color(const link& l) {
  const protocol_focus* focus = current_focus.load();
  if (focus == nullptr) return -1;
  std::uint64_t best = 0;
  std::int32_t result = -1;
  const auto offer = [&](const focus_entry& e, std::uint64_t bytes) {
    if (bytes > best) best = bytes, result = e.color;
  };
  if (l.one_path != 0) {
    // Every protocol of the one path carried all of the link's bytes.
    const auto path = l.src->network->proto_paths.at(l.one_path);
    for (const focus_entry& e : focus->entries)
      if (std::find(path.begin(), path.end(), e.proto) != path.end()) offer(e, l.bytes);
    return result;
  }
  for (const focus_entry& e : focus->entries) {
    const proto_stat* found = link_proto_index(l.proto_nodes, e.proto);
    if (found != nullptr) offer(e, found->bytes);
  }
  return result;
}

}  // namespace nw

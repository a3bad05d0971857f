// Per-node protocol counters.
#include "pdl/pd_stat.h"

#include <unordered_map>

namespace nw {

double pd_stat_bytes(const protocol_node* node) {
  return node != nullptr && node->stats != nullptr ? node->stats->bytes : 0;
}

double pd_stat_frames(const protocol_node* node) {
  return node != nullptr && node->stats != nullptr ? node->stats->frames : 0;
}

void pd_stat_clear(proto_stats* stats) {
  if (stats != nullptr) *stats = proto_stats{};
}

// A protocol named in several blocks has a node under each; its row adds them all up, so the
// table counts each frame once per protocol it passed through.
std::vector<pd_stat_row> pd_stat_table(const protocol_node* root) {
  std::vector<pd_stat_row> rows;
  std::unordered_map<const protocol_def*, std::size_t> row_of;
  // Sibling chains run to hundreds of nodes: a stack of its own rather than recursion.
  std::vector<const protocol_node*> pending{root};
  while (!pending.empty()) {
    const protocol_node* node = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    const auto [at, added] = row_of.try_emplace(node->def, rows.size());
    if (added) rows.push_back({node->def, 0, 0});
    rows[at->second].bytes += pd_stat_bytes(node);
    rows[at->second].frames += pd_stat_frames(node);
    pending.push_back(node->next);
    pending.push_back(node->child);
  }
  return rows;
}

}  // namespace nw

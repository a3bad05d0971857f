// Per-node protocol counters as the protocol windows and alarm checks read them.
#pragma once

#include <vector>

#include "pdl/pd_model.h"

namespace nw {

// 0 when the node or its counters are missing.
[[nodiscard]] double pd_stat_bytes(const protocol_node* node);
[[nodiscard]] double pd_stat_frames(const protocol_node* node);

void pd_stat_clear(proto_stats* stats);

// One protocol of the protocol table: the counters of every node the tree has for it, summed.
struct pd_stat_row {
  const protocol_def* def = nullptr;
  double bytes = 0;
  double frames = 0;
};

// Every protocol the tree under root names, in the order a walk first meets it (a node, then
// its children, then its following siblings). The caller keeps the decoder out meanwhile (the
// model lock).
[[nodiscard]] std::vector<pd_stat_row> pd_stat_table(const protocol_node* root);

}  // namespace nw

// Per-node protocol counters as the protocol windows and alarm checks read them.
#pragma once

#include "pdl/pd_model.h"

namespace nw {

// 0 when the node or its counters are missing.
[[nodiscard]] double pd_stat_bytes(const protocol_node* node);
[[nodiscard]] double pd_stat_frames(const protocol_node* node);

void pd_stat_clear(proto_stats* stats);

}  // namespace nw

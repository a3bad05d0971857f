// Per-node protocol counters.
#include "pdl/pd_stat.h"

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

}  // namespace nw

// The network statistics report: the four rankings, the protocol summary and the load.
#pragma once

#include "report/report_body.h"

namespace nw {

struct net;
struct protocol_node;

// Sorts and copies network's rankings, its load figures and the protocol counters of the tree
// under protocols under the model lock, then the alarm ranking under the alarm mutex. Without a
// network only the overall statistics remain, at 0.
[[nodiscard]] report_body stats_report_copy(net* network, const protocol_node* protocols);

}  // namespace nw

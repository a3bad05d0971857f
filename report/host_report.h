// The host report: each host's sent and received traffic, peer by peer, protocol by protocol.
#pragma once

#include "report/report_body.h"

namespace nw {

struct net;

// Copies the traffic of every host of network (none: an empty body) under the model lock.
[[nodiscard]] report_body host_report_copy(const net* network);

}  // namespace nw

// One capture step: a dispatch of frames into the network model, and the load and library
// counters that follow a pass.
#pragma once

#include <cstdint>

#include "capture/capture_source.h"
#include "capture/frame_batch.h"

namespace nw {

struct net;

inline constexpr int NETIF_DISPATCH_MAX = 500;

// Percent of the link the last second's frames used: (frames x per-frame overhead + bytes x 8)
// / (speed / 100), in 64 bits, the overhead 192 bits on Ethernet and 48 on Token Ring. 0 when
// the speed is below 100 bits per second (unknown); at most INT32_MAX.
[[nodiscard]] std::int32_t netif_load(std::int32_t link_type, std::uint64_t pkts_sec, std::uint64_t bytes_sec,
                                      std::uint64_t speed);

// Up to 500 frames from source: the library's callback only copies them into batch, so the
// model lock is not held while it waits, then frame_batch_run hands them to the model. The
// frames of a link type the model does not decode are read and dropped (the read time-out
// still paces the caller). Returns what capture_source::dispatch returns.
[[nodiscard]] int netif_dispatch(net& network, capture_source& source, frame_batch& batch);

// The load from the last-second counters (left as it was for a link type the model does not
// decode) and the received and dropped counts. Takes the model lock.
void netif_account(net& network, capture_source& source);

}  // namespace nw

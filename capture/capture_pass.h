// One pass of the capture loop, shared by the capture thread and the headless run: dispatch
// after dispatch into the network, then the load, the alarms, the ageing pass and the redraw.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "capture/capture_source.h"
#include "capture/frame_batch.h"

namespace nw {

struct net;

// A pass takes dispatch after dispatch of 500 frames until its frames span this much capture
// time, so a saturated link costs one ageing and one redraw per 33 ms of traffic rather than
// one per 500 frames. Below about 15,000 frames a second every dispatch is a pass.
inline constexpr std::int64_t CAPTURE_PASS_MIN_US = 33'000;
// What the program hangs on each pass; empty members are skipped. All run on the capture thread.
struct pass_hooks {
  std::function<void(net&)> stats_posted;  // before the dispatch: post the statistics panel its update
  std::function<void(net&)> alarms;        // alarm binding and checking; the model lock is held
  std::function<void(net&)> redraw;        // the map redrawn off-screen; the model lock is held
};

// One pass; returns the last dispatch's result (0 with a file read to its end, -1 on a library
// error). `interrupt` set ends the dispatching early (a stop or an adapter change waits).
int capture_pass(net& network, capture_source& source, frame_batch& batch, const pass_hooks& hooks,
                 const std::atomic<bool>& interrupt);

}  // namespace nw

// The capture thread: pass after pass, it dispatches frames into the current network, then
// computes the load, runs the alarms, ages hosts and links and has the map redrawn. The window
// thread replaces the capture handle under it on an adapter change, and stops it at shutdown.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "capture/capture_source.h"

namespace nw {

struct net;

// A pass takes dispatch after dispatch of 500 frames until its frames span this much capture
// time, so a saturated link costs one ageing and one redraw per 33 ms of traffic rather than
// one per 500 frames. Below about 15,000 frames a second every dispatch is a pass.
inline constexpr std::int64_t CAPTURE_PASS_MIN_US = 33'000;
// The idle pace: with no capture handle, a pass every second.
inline constexpr std::chrono::milliseconds CAPTURE_IDLE{1000};

// What the program hangs on each pass; empty members are skipped. All run on the capture thread.
struct pass_hooks {
  std::function<void(net&)> stats_posted;  // before the dispatch: post the statistics panel its update
  std::function<void(net&)> alarms;        // alarm binding and checking; the model lock is held
  std::function<void(net&)> redraw;        // the map redrawn off-screen; the model lock is held
};

// Starts the thread (nothing when it runs already).
void capture_thread_start(pass_hooks hooks);

// Ends the thread at once (stop flag, break the dispatch, join); the capture handle stays.
void capture_thread_stop();

// Closes the capture handle once no pass uses it, then installs what reopen returns (nullptr:
// none). The thread waits between passes meanwhile, so reopen may change the current network.
// The caller must hold neither the model lock nor a lock the pass hooks take: the pass being
// waited for needs them.
void capture_thread_replace(const std::function<std::unique_ptr<capture_source>()>& reopen);

// Whether a capture handle is open.
[[nodiscard]] bool capture_thread_has_source();

// At shutdown: the thread ended, then the capture handle closed.
void capture_stop();

}  // namespace nw

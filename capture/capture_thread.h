// The capture thread: pass after pass, it dispatches frames into the current network, then
// computes the load, runs the alarms, ages hosts and links and has the map redrawn. The window
// thread replaces the capture handle under it on an adapter change, and stops it at shutdown.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "capture/capture_pass.h"
#include "capture/capture_source.h"

namespace nw {

struct net;

// The idle pace: with no capture handle, a pass every second.
inline constexpr std::chrono::milliseconds CAPTURE_IDLE{1000};

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

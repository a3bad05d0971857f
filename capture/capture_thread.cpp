// The capture thread's loop, and the hand-over of the capture handle between it and the
// window thread.
#include "capture/capture_thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "capture/netif.h"
#include "model/frame_ring.h"
#include "model/model_config.h"
#include "model/net.h"

namespace nw {
namespace {

// Guarded by mutex. The thread uses source without the mutex only inside a pass, and in_pass
// keeps the window thread from closing it meanwhile.
struct capture_context {
  std::mutex mutex;
  std::condition_variable changed;
  std::unique_ptr<capture_source> source;
  std::uint64_t generation = 0;  // counts replacements: a new handle ends an idle wait
  bool in_pass = false;
  bool stop = false;
  int pausers = 0;                     // window-thread calls waiting for the pass to end
  std::atomic<bool> interrupt{false};  // stop or pausers: no further dispatch in this pass
  pass_hooks hooks;                    // set before the thread starts; the thread's own then
  std::thread thread;
};

capture_context& context() {
  static capture_context c;
  return c;
}

struct pass_target {
  capture_source* source = nullptr;
  net* network = nullptr;
};

// Waits while a replacement is under way; false when the thread is to end.
bool pass_begin(capture_context& c, pass_target& t) {
  std::unique_lock lock(c.mutex);
  c.changed.wait(lock, [&c] { return c.stop || c.pausers == 0; });
  if (c.stop) return false;
  t.source = c.source.get();
  t.network = net_current();
  c.in_pass = t.source != nullptr && t.network != nullptr;
  return true;
}

void pass_end(capture_context& c) {
  {
    std::lock_guard lock(c.mutex);
    c.in_pass = false;
  }
  c.changed.notify_all();
}

// The idle pace, cut short by a stop or a new handle.
void idle_wait(capture_context& c) {
  std::unique_lock lock(c.mutex);
  const std::uint64_t seen = c.generation;
  c.changed.wait_for(lock, CAPTURE_IDLE, [&c, seen] { return c.stop || c.generation != seen; });
}

// Whether the frames dispatched in this pass span the pass's capture time; a dispatch that
// kept no frames (a link type the model does not take) ends the pass.
bool pass_long_enough(const frame_batch& batch, std::optional<capture_time>& first) {
  if (batch.size() == 0) return true;
  if (!first) first = batch.header(0).time;
  return model_elapsed_us(*first, batch.header(batch.size() - 1).time) >= CAPTURE_PASS_MIN_US;
}

// Dispatches until one returns fewer than 500 frames (the read time-out: light traffic) or the
// pass spans its capture time. The wall-clock bound keeps a pass to the read time-out when time
// stamps stand still, as in a file whose frames all carry one time.
int pass_dispatch(capture_context& c, net& network, capture_source& source, frame_batch& batch) {
  const auto started = std::chrono::steady_clock::now();
  std::optional<capture_time> first;
  int got = 0;
  do {
    got = netif_dispatch(network, source, batch);
  } while (got == NETIF_DISPATCH_MAX && !c.interrupt.load() && !pass_long_enough(batch, first) &&
           std::chrono::steady_clock::now() - started < CAPTURE_READ_TIMEOUT);
  return got;
}

// Live frames carry the wall clock's time, so a silent pass moves the model's clock by it.
capture_time wall_clock_now() {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return capture_time{static_cast<std::int32_t>(us / 1'000'000), static_cast<std::int32_t>(us % 1'000'000)};
}

// One pass; returns the last dispatch's result.
int run_pass(capture_context& c, net& network, capture_source& source, frame_batch& batch) {
  if (c.hooks.stats_posted) c.hooks.stats_posted(network);
  const int got = pass_dispatch(c, network, source, batch);
  model_lock lock;
  if (got <= 0 && source.live()) frame_window_idle(network, wall_clock_now());
  netif_account(network, source);
  if (c.hooks.alarms) c.hooks.alarms(network);
  net_age(network);
  if (c.hooks.redraw) c.hooks.redraw(network);
  return got;
}

// A dispatch that returns at once with nothing (a library error, a file read to its end)
// would spin the loop: the thread then keeps the idle pace until something changes.
void capture_loop(capture_context& c) {
  frame_batch batch;
  pass_target t;
  while (pass_begin(c, t)) {
    if (t.source == nullptr || t.network == nullptr) {
      idle_wait(c);
      continue;
    }
    const int got = run_pass(c, *t.network, *t.source, batch);
    const bool idle = got == -1 || (got == 0 && t.source->finished());
    pass_end(c);
    if (idle) idle_wait(c);
  }
}

}  // namespace

void capture_thread_start(pass_hooks hooks) {
  capture_context& c = context();
  std::lock_guard lock(c.mutex);
  if (c.thread.joinable()) return;
  c.hooks = std::move(hooks);
  c.stop = false;
  c.interrupt = c.pausers > 0;
  c.thread = std::thread(capture_loop, std::ref(c));
}

void capture_thread_stop() {
  capture_context& c = context();
  {
    std::lock_guard lock(c.mutex);
    if (!c.thread.joinable()) return;
    c.stop = true;
    c.interrupt = true;
    if (c.source) c.source->breakloop();
  }
  c.changed.notify_all();
  c.thread.join();
  std::lock_guard lock(c.mutex);
  c.stop = false;
  c.interrupt = c.pausers > 0;
}

void capture_thread_replace(const std::function<std::unique_ptr<capture_source>()>& reopen) {
  capture_context& c = context();
  std::unique_lock lock(c.mutex);
  ++c.pausers;
  c.interrupt = true;
  if (c.source) c.source->breakloop();
  c.changed.wait(lock, [&c] { return !c.in_pass; });
  c.source.reset();
  c.source = reopen();
  ++c.generation;
  --c.pausers;
  c.interrupt = c.stop || c.pausers > 0;
  lock.unlock();
  c.changed.notify_all();
}

bool capture_thread_has_source() {
  capture_context& c = context();
  std::lock_guard lock(c.mutex);
  return c.source != nullptr;
}

void capture_stop() {
  capture_thread_stop();
  capture_thread_replace([] { return std::unique_ptr<capture_source>(); });
}

}  // namespace nw

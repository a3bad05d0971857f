// The capture thread's loop, and the hand-over of the capture handle between it and the
// window thread.
#include "capture/capture_thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "capture/capture_pass.h"
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
    const int got = capture_pass(*t.network, *t.source, batch, c.hooks, c.interrupt);
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

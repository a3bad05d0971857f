// The alarm thread's loop and the carrying out of one firing.
#include "alarm/alarm_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "model/net.h"
#include "output/event_list.h"

namespace nw {
namespace {

struct thread_state {
  // Start and stop; never taken by the thread itself.
  std::mutex control;
  std::thread thread;
  alarm_actions actions;  // set before the thread starts, read only by it
  std::atomic<bool> stop{false};

  // Whether the thread is emptying the queue, for alarm_thread_drain.
  std::mutex busy_mutex;
  std::condition_variable busy_changed;
  bool busy = false;
  bool running = false;
};

thread_state& state() {
  static thread_state s;
  return s;
}

void set_busy(thread_state& t, bool busy) {
  {
    std::lock_guard lock(t.busy_mutex);
    t.busy = busy;
  }
  t.busy_changed.notify_all();
}

// The wake-up is reset only by the take that finds the queue empty, under the same hold of
// "Alarm mutex" in which a firing is queued, so a firing queued while the queue is emptied is
// either taken by this round or wakes the next one: none waits for a later firing.
void alarm_thread(thread_state& t) {
  while (true) {
    alarm_wakeup().wait();
    if (t.stop) return;
    set_busy(t, true);
    alarm_event event;
    while (!t.stop && alarm_queue_take(&event) == 1) alarm_handle(event, t.actions);
    set_busy(t, false);
  }
}

}  // namespace

int alarm_thread_start(alarm_actions actions) {
  thread_state& t = state();
  std::lock_guard control(t.control);
  if (t.thread.joinable()) return 0;
  t.actions = std::move(actions);
  t.stop = false;
  {
    std::lock_guard lock(t.busy_mutex);
    t.busy = false;
    t.running = true;
  }
  t.thread = std::thread(alarm_thread, std::ref(t));
  return 1;
}

void alarm_thread_stop() {
  thread_state& t = state();
  std::lock_guard control(t.control);
  if (!t.thread.joinable()) return;
  t.stop = true;
  // Left set: a later start then takes what is still queued without waiting for a new firing.
  alarm_wakeup().set();
  t.thread.join();
  {
    std::lock_guard lock(t.busy_mutex);
    t.running = false;
    t.busy = false;
  }
  t.busy_changed.notify_all();
}

int alarm_thread_drain() {
  thread_state& t = state();
  std::unique_lock lock(t.busy_mutex);
  t.busy_changed.wait(lock, [&t] { return !t.running || (!t.busy && alarm_queued() == 0); });
  return t.running ? 1 : 0;
}

void alarm_handle(const alarm_event& event, const alarm_actions& actions) {
  alarm_def* alarm = event.alarm;
  if (alarm == nullptr) return;
  output_add_alarm(alarm->message, event.time);
  {
    std::lock_guard lock(alarm_mutex());
    alarm->hits.push_back({event.time});
  }
  if (alarm->sound_enabled == 1 && !alarm->sound.empty() && actions.play_sound) actions.play_sound(alarm->sound);
  if (alarm->program_enabled == 1 && !alarm->program.empty() && actions.start_program) {
    actions.start_program(alarm->program);
  }
  std::lock_guard lock(alarm_mutex());
  if (net* network = net_current()) alarm_rank_offer(*network, *alarm);
}

}  // namespace nw

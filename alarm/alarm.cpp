// The alarm lists, the pause, the queue of firings, the alarm ranking and the editor's commit.
#include "alarm/alarm.h"

#include <atomic>
#include <ctime>
#include <system_error>

#include "alarm/adl.h"
#include "core/q.h"
#include "model/net.h"
#include "stats/alarm_topn.h"

namespace nw {
namespace {

struct alarm_state {
  // The capture thread's, or the pausing thread's.
  alarm_list list;
  std::vector<alarm_def*> pending;
  std::vector<alarm_def*> active;

  // "Alarm mutex": the queue, the rankings, the hits and the retired alarms.
  std::mutex mutex;
  q<alarm_event> queue;
  alarm_list retired;

  // The pause request is tested without waiting; checks-idle is reset before the test, so a
  // pause requested after the test finds it reset and waits for the evaluation to end.
  std::atomic<bool> pause_request{false};
  manual_event checks_idle;
  manual_event wakeup;

  alarm_state() { checks_idle.set(); }
};

alarm_state& state() {
  static alarm_state s;
  return s;
}

// A commit's alarms bind again from their references, which the editor may have changed.
void unbind_hosts(alarm_def& alarm) {
  alarm.node_a = nullptr;
  alarm.node_b = nullptr;
  alarm.lnk = nullptr;
}

void refill_rank(net& network, alarm_list& list) {
  topn<alarm_def>& rank = alarm_rank(network);
  topn_clear(rank);
  for (const auto& alarm : list) topn_offer(rank, *alarm);
}

}  // namespace

void alarm_init() {
  alarm_state& s = state();
  s.pending.clear();
  s.active.clear();
  s.list.clear();
  {
    std::lock_guard lock(s.mutex);
    q_free(s.queue);
    s.retired.clear();
  }
  s.pause_request = false;
  s.checks_idle.set();
  s.wakeup.reset();
}

alarm_list& alarm_list_current() { return state().list; }
std::vector<alarm_def*>& alarm_pending() { return state().pending; }
std::vector<alarm_def*>& alarm_active() { return state().active; }

void alarm_register_all() {
  alarm_state& s = state();
  for (const auto& alarm : s.list) s.pending.push_back(alarm.get());
}

void alarm_rebind_all() {
  alarm_state& s = state();
  s.pending.clear();
  s.active.clear();
  for (const auto& alarm : s.list) unbind_hosts(*alarm);
  alarm_register_all();
}

int alarm_fire(alarm_def& alarm) {
  alarm_state& s = state();
  const alarm_event event{&alarm, static_cast<std::uint32_t>(std::time(nullptr))};
  try {
    std::lock_guard lock(s.mutex);
    if (q_put(s.queue, event) == 0) return 0;
  } catch (const std::system_error&) {
    return 0;
  }
  s.wakeup.set();
  return 1;
}

void alarm_pause() {
  alarm_state& s = state();
  s.pause_request = true;
  s.checks_idle.wait();
}

void alarm_resume() { state().pause_request = false; }

alarm_checks_turn::alarm_checks_turn() {
  alarm_state& s = state();
  s.checks_idle.reset();
  if (s.pause_request) {
    s.checks_idle.set();
    return;
  }
  entered_ = true;
}

alarm_checks_turn::~alarm_checks_turn() {
  if (entered_) state().checks_idle.set();
}

std::mutex& alarm_mutex() { return state().mutex; }
manual_event& alarm_wakeup() { return state().wakeup; }

int alarm_queue_take(alarm_event* out) {
  alarm_state& s = state();
  std::lock_guard lock(s.mutex);
  if (q_get(s.queue, out) == 1) return 1;
  s.wakeup.reset();
  return 0;
}

std::uint32_t alarm_queued() {
  alarm_state& s = state();
  std::lock_guard lock(s.mutex);
  return q_count(s.queue);
}

topn<alarm_def>& alarm_rank(net& network) {
  if (network.alarms_rank.fns == nullptr) network.alarms_rank = alarm_topn_create<alarm_def>();
  return network.alarms_rank;
}

void alarm_rank_all(net& network) {
  alarm_state& s = state();
  std::lock_guard lock(s.mutex);
  refill_rank(network, s.list);
}

void alarm_rank_offer(net& network, alarm_def& alarm) {
  if (!alarm.retired) topn_offer(alarm_rank(network), alarm);
}

alarm_list alarm_list_copy_current() {
  alarm_pause();
  alarm_list copy = alarm_list_copy(state().list);
  alarm_resume();
  return copy;
}

int alarm_commit(alarm_list edited, const std::string& path, net* network) {
  alarm_state& s = state();
  alarm_pause();
  {
    std::lock_guard lock(s.mutex);
    s.pending.clear();
    s.active.clear();
    for (auto& old : s.list) {
      old->retired = true;
      s.retired.push_back(std::move(old));
    }
    s.list = std::move(edited);
    for (const auto& alarm : s.list) unbind_hosts(*alarm);
    if (network != nullptr) refill_rank(*network, s.list);
  }
  // The pause alone keeps the list still; the file is written without holding up the alarm
  // thread, and a failure's message may wait for the user.
  const int saved = adl_save(path, s.list);
  alarm_register_all();
  alarm_resume();
  return saved;
}

}  // namespace nw

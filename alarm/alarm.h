// The alarm lists, the pause that keeps evaluation off them, the queue of firings for the
// alarm thread, the alarm ranking and the editor's commit.
//
// Threads and locks:
// - alarm_pending, alarm_active and an alarm's bound fields (nodes, link, protocol node and
//   count): the capture thread's (alarm_bind, alarm_check); any other thread holds the pause
//   (alarm_pause) around its use of them.
// - alarm_list_current: replaced only by a commit, under both the pause and alarm_mutex, so a
//   reader holding either sees one whole list. An alarm's subject, texts and actions never
//   change while it is live, so the alarm thread reads them through an event without either.
// - The queue, the alarm ranking of every network and every alarm's hits: under alarm_mutex
//   ("Alarm mutex"). Taken after the model lock and after the pause, never before them.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "alarm/alarm_def.h"
#include "core/event.h"
#include "stats/topn.h"

namespace nw {

// One firing waiting for the alarm thread: the alarm and the calendar time it fired.
struct alarm_event {
  alarm_def* alarm = nullptr;
  std::uint32_t time = 0;
};

// Empty lists and queue; no pause requested, checks idle, wake-up not set; frees the alarms a
// commit retired. Start-up and tests only: no other thread may use the alarms meanwhile, and
// no ranking may still hold an alarm.
void alarm_init();

// All alarms in file order.
[[nodiscard]] alarm_list& alarm_list_current();
// Alarms waiting for their hosts, link or protocol node; bound alarms that are evaluated.
[[nodiscard]] std::vector<alarm_def*>& alarm_pending();
[[nodiscard]] std::vector<alarm_def*>& alarm_active();

// Appends every alarm of alarm_list_current to alarm_pending (after reading the file).
void alarm_register_all();
// Every alarm loses its bound hosts and link and waits in alarm_pending to bind again, as after
// a commit: for a run that moves on to another network's capture. The capture thread's.
void alarm_rebind_all();

// Queues one firing with the current time and sets the wake-up. 1 queued, 0 not (no memory).
int alarm_fire(alarm_def& alarm);

// Another thread's hold on the lists: returns once no evaluation runs, and none starts until
// alarm_resume. Not nested. The caller must not hold alarm_mutex: a running evaluation may be
// waiting for it to queue a firing.
void alarm_pause();
void alarm_resume();

// Evaluation's turn, taken by alarm_bind and alarm_check: false, at once, while a pause is
// requested; while held, alarm_pause waits.
class alarm_checks_turn {
 public:
  alarm_checks_turn();
  ~alarm_checks_turn();
  alarm_checks_turn(const alarm_checks_turn&) = delete;
  alarm_checks_turn& operator=(const alarm_checks_turn&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  bool entered_ = false;
};

// "Alarm mutex".
[[nodiscard]] std::mutex& alarm_mutex();
// Set after every queued firing; the alarm thread waits on it.
[[nodiscard]] manual_event& alarm_wakeup();
// The alarm thread's take: 1 and the oldest firing; 0 when the queue is empty, and then the
// wake-up is reset in the same hold of the mutex, so a firing queued later sets it again.
// Takes alarm_mutex itself.
int alarm_queue_take(alarm_event* out);
// Firings waiting. Takes alarm_mutex itself.
[[nodiscard]] std::uint32_t alarm_queued();

// The network's alarm ranking (made on first use). Caller holds alarm_mutex.
[[nodiscard]] topn<alarm_def>& alarm_rank(net& network);
// Empties the network's alarm ranking and offers it every alarm of the current list, as after
// reading the file. Takes alarm_mutex itself.
void alarm_rank_all(net& network);
// The ranking's offer for an alarm whose hit count grew; an alarm a commit replaced is left
// out. Caller holds alarm_mutex.
void alarm_rank_offer(net& network, alarm_def& alarm);

// The editor's working copy of the live list, taken under the pause.
[[nodiscard]] alarm_list alarm_list_copy_current();

// The editor's OK: under the pause and alarm_mutex, the edited list replaces the live one (whose
// alarms are retired, not freed: firings queued for them stay valid), every alarm loses its
// bound hosts and link so that it binds again from its references, and `network`'s alarm
// ranking (when given) is refilled with every alarm; then, still paused, the list is saved to
// path and registered again. adl_save's result. The caller holds neither lock.
int alarm_commit(alarm_list edited, const std::string& path, net* network);

}  // namespace nw

// The alarm thread: each firing becomes a line, a hit, the enabled actions and a ranking offer,
// in that order; the alarm list keeps the newest 200 lines; a stop leaves the queue for a later
// start; and no firing waits for a later one, however it meets the thread emptying the queue.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

#include "alarm/alarm_thread.h"
#include "output/event_list.h"
#include "tests/alarm_test_support.h"

namespace nw::test {
namespace {

using namespace std::chrono_literals;

// The actions as a test sees them: each call logged with the number of alarm lines, the
// watched alarm's hits and the ranking's size at that moment. The first call can be held until
// the test arms it and then until the wake-up is set, which alarm_thread_stop does once its stop
// flag is up.
struct recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> log;
  const alarm_def* watched = nullptr;
  bool hold_first = false;
  bool armed = false;

  void record(const char* kind, const std::string& what) {
    std::string entry = std::string(kind) + " " + what + ": lines " + std::to_string(output_alarm_list().size());
    {
      std::lock_guard lock(alarm_mutex());
      if (watched != nullptr) entry += ", hits " + std::to_string(watched->hits.size());
      entry += ", ranked " + std::to_string(alarm_rank(*net_current()).count);
    }
    std::unique_lock lock(mutex);
    log.push_back(entry);
    changed.notify_all();
    if (!hold_first || log.size() != 1) return;
    changed.wait(lock, [this] { return armed; });
    lock.unlock();
    alarm_wakeup().wait();
  }

  alarm_actions actions() {
    return {[this](const std::string& path) { record("sound", path); },
            [this](const std::string& command) { record("program", command); }};
  }

  bool wait_for(std::size_t calls) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return log.size() >= calls; });
  }

  void arm() {
    std::lock_guard lock(mutex);
    armed = true;
    changed.notify_all();
  }
};

using texts = std::vector<std::string>;

texts line_texts() {
  texts out;
  for (const output_line& line : output_alarm_list().lines()) out.push_back(line.text);
  return out;
}

std::string network_alarm(const std::string& message, const std::string& program = "", const std::string& sound = "") {
  return "Threshold network high 1 pkts \"" + message + "\" on \"" + program + "\" \"" + sound + "\"\n";
}

class AlarmThread : public alarm_fixture {
 protected:
  void SetUp() override {
    alarm_fixture::SetUp();
    output_lists_reset();
    net_set_current(network);
  }
  void TearDown() override {
    rec.arm();
    alarm_thread_stop();
    output_lists_reset();
    alarm_fixture::TearDown();
  }

  alarm_list& arm(const std::string& text) {
    alarm_list& list = load(text);
    EXPECT_TRUE(messages.empty()) << text;
    return list;
  }

  void fire(alarm_def& alarm) { ASSERT_EQ(alarm_fire(alarm), 1); }

  // The ranking's entries, best first.
  std::vector<alarm_def*> ranked() {
    std::lock_guard lock(alarm_mutex());
    const topn<alarm_def>& rank = alarm_rank(*network);
    return {rank.entries.begin(), rank.entries.begin() + rank.count};
  }

  recorder rec;
};

TEST_F(AlarmThread, CarriesOutAFiringStepByStepWithOnlyTheActionsEnabledAndSet) {
  alarm_list& list = arm(network_alarm("both", "notify --loud", "bell.wav") + network_alarm("switched off", "x", "y") +
                         network_alarm("enabled but empty"));
  list[1]->sound_enabled = 0;  // set, but not enabled
  list[1]->program_enabled = 0;
  list[2]->sound_enabled = 1;  // enabled, but not set
  list[2]->program_enabled = 1;
  rec.watched = list[0].get();
  ASSERT_EQ(alarm_thread_start(rec.actions()), 1);
  EXPECT_EQ(alarm_thread_start(rec.actions()), 0);  // runs already
  for (const auto& alarm : list) fire(*alarm);
  alarm_handle(alarm_event{nullptr, 1'700'000'000}, rec.actions());  // no alarm: dropped
  ASSERT_EQ(alarm_thread_drain(), 1);

  // Line and hit first, then the sound, then the program, and the ranking offer last.
  EXPECT_EQ(rec.log, (texts{"sound bell.wav: lines 1, hits 1, ranked 0", "program notify --loud: lines 1, hits 1, ranked 0"}));
  EXPECT_EQ(line_texts(), (texts{"both", "switched off", "enabled but empty"}));
  const std::vector<output_line> lines = output_alarm_list().lines();
  std::lock_guard lock(alarm_mutex());
  for (std::size_t i = 0; i < list.size(); ++i) {
    ASSERT_EQ(list[i]->hits.size(), 1U);
    EXPECT_EQ(list[i]->hits.begin()->time, lines[i].time);  // the firing's time, on both
  }
  EXPECT_EQ(alarm_rank(*network).count, 3);
}

TEST_F(AlarmThread, TwoFiringsOfOneAlarmGiveTwoLinesTwoHitsAndOneRankingEntryMovedUp) {
  alarm_list& list = arm(network_alarm("first") + network_alarm("second") + network_alarm("third"));
  alarm_def& first = *list[0];
  alarm_def& third = *list[2];
  ASSERT_EQ(alarm_thread_start(rec.actions()), 1);
  fire(first);  // not ranked yet: inserted
  ASSERT_EQ(alarm_thread_drain(), 1);
  EXPECT_EQ(ranked(), std::vector<alarm_def*>{&first});

  fire(third);
  fire(third);
  ASSERT_EQ(alarm_thread_drain(), 1);
  EXPECT_EQ(line_texts(), (texts{"first", "third", "third"}));
  EXPECT_EQ(ranked(), (std::vector<alarm_def*>{&third, &first}));  // once, and now on top
  EXPECT_EQ(third.rank_index, 0);
  EXPECT_EQ(first.rank_index, 1);
  std::lock_guard lock(alarm_mutex());
  EXPECT_EQ(third.hits.size(), 2U);
  EXPECT_EQ(list[1]->hits.size(), 0U);
}

TEST_F(AlarmThread, The201stLineDropsTheOldestButEveryHitIsKept) {
  std::string text;
  for (int i = 0; i <= 200; ++i) text += network_alarm("line " + std::to_string(i));
  alarm_list& list = arm(text);
  ASSERT_EQ(alarm_thread_start(rec.actions()), 1);
  for (const auto& alarm : list) fire(*alarm);
  ASSERT_EQ(alarm_thread_drain(), 1);

  const texts lines = line_texts();
  ASSERT_EQ(lines.size(), OUTPUT_LIST_MAX);
  EXPECT_EQ(lines.front(), "line 1");
  EXPECT_EQ(lines.back(), "line 200");
  std::lock_guard lock(alarm_mutex());
  EXPECT_TRUE(std::all_of(list.begin(), list.end(), [](const auto& a) { return a->hits.size() == 1; }));
}

TEST_F(AlarmThread, StopsAfterTheFiringInHandAndALaterStartTakesTheRest) {
  alarm_list& list = arm(network_alarm("1", "p") + network_alarm("2", "p") + network_alarm("3", "p"));
  rec.hold_first = true;
  ASSERT_EQ(alarm_thread_start(rec.actions()), 1);
  for (const auto& alarm : list) fire(*alarm);
  ASSERT_TRUE(rec.wait_for(1));  // the thread is inside the first firing

  alarm_wakeup().reset();  // the held program start now waits for the stop's wake-up
  rec.arm();
  auto stopped = std::async(std::launch::async, [] { alarm_thread_stop(); });
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(line_texts(), texts{"1"});
  EXPECT_EQ(alarm_queued(), 2U);
  EXPECT_EQ(alarm_thread_drain(), 0);  // not running: nothing to wait for

  // No new firing is needed: the stop left the wake-up set.
  ASSERT_EQ(alarm_thread_start(rec.actions()), 1);
  ASSERT_EQ(alarm_thread_drain(), 1);
  EXPECT_EQ(line_texts(), (texts{"1", "2", "3"}));
}

TEST_F(AlarmThread, NoFiringWaitsForALaterOne) {
  alarm_list& list = arm(network_alarm("tick", "p"));
  std::atomic<std::size_t> carried{0};
  ASSERT_EQ(alarm_thread_start(alarm_actions{{}, [&carried](const std::string&) { ++carried; }}), 1);
  // One firing at a time, each queued the moment the previous one reaches its program plus a
  // spin that varies from firing to firing, so that over the run the firings meet every step of
  // the thread's emptying of the queue. A firing whose wake-up the thread lost would never be
  // carried out, as nothing is queued after it.
  constexpr std::size_t TICKS = 50000;
  std::atomic<std::uint32_t> spin{0};
  for (std::size_t i = 0; i < TICKS; ++i) {
    fire(*list[0]);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (carried.load() <= i) {
      if (std::chrono::steady_clock::now() > deadline) FAIL() << "firing " << i << " was not carried out";
    }
    for (std::size_t k = (i * 37) % 160; k > 0; --k) spin.fetch_add(1, std::memory_order_relaxed);
  }
}

}  // namespace
}  // namespace nw::test

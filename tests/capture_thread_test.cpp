// The capture thread and the change of adapter: an idle thread posts nothing, a pass spans at
// least 33 ms of capture time, the dialog's choices are checked before anything closes, and
// the handle is replaced safely and promptly while the thread dispatches from it.
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "capture/adapter_change.h"
#include "capture/capture_thread.h"
#include "capture_test_support.h"
#include "model_test_support.h"
#include "output/event_list.h"

namespace nw::test {
namespace {

using std::chrono::milliseconds;
using clock_type = std::chrono::steady_clock;

std::int64_t ms_since(clock_type::time_point start) {
  return std::chrono::duration_cast<milliseconds>(clock_type::now() - start).count();
}

struct pass_counts {
  std::atomic<int> posted{0}, alarms{0}, redraws{0};
  std::atomic<bool> unlocked{false};  // alarms or redraw ran without the model lock

  pass_hooks hooks() {
    return {[this](net&) { ++posted; }, [this](net&) { ++alarms, unlocked = unlocked || !model_lock_held(); },
            [this](net&) { ++redraws, unlocked = unlocked || !model_lock_held(); }};
  }
};

class CaptureThread : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    output_lists_reset();
  }
  void TearDown() override {
    capture_stop();
    adapter_change_init({}, 0, CAPTURE_SNAPLEN_DEFAULT, {});
    output_lists_reset();
    model_test::TearDown();
  }

  // A capture file of count frames step_us apart, as an adapter with its network.
  adapter_desc file_of(const std::string& name, std::size_t count, std::uint64_t step_us) {
    EXPECT_TRUE(demo::write_pcap(dir.file(name), demo_frames(count, step_us)));
    adapter_desc adapter = file_adapter(dir.file(name));
    net_new(adapter);
    return adapter;
  }

  static std::uint64_t frames_in(const adapter_desc& adapter) {
    model_lock lock;
    return net_find(adapter)->pkts;
  }

  // The passes the thread takes over the file read as fast as it goes.
  int passes_for(const adapter_desc& adapter, std::uint64_t count) {
    net_set_current(net_find(adapter));
    capture_thread_replace([&] {
      std::string error;
      return capture_source::open(adapter, CAPTURE_SNAPLEN_DEFAULT, replay_pace::fastest, error);
    });
    pass_counts counts;
    capture_thread_start(counts.hooks());
    const auto start = clock_type::now();
    while (frames_in(adapter) < count && ms_since(start) < 20'000) std::this_thread::sleep_for(milliseconds(5));
    capture_thread_stop();
    EXPECT_EQ(frames_in(adapter), count);
    EXPECT_EQ(counts.posted, counts.redraws);
    EXPECT_EQ(counts.alarms, counts.redraws);
    EXPECT_FALSE(counts.unlocked);
    return counts.redraws;
  }

  temp_dir dir;
};

TEST_F(CaptureThread, WithNoHandleItIdlesPostsNothingAndStopsAtOnce) {
  pass_counts counts;
  capture_thread_start(counts.hooks());
  std::this_thread::sleep_for(milliseconds(1100));
  EXPECT_EQ(counts.posted + counts.redraws, 0);
  const auto asked = clock_type::now();
  capture_stop();
  EXPECT_LT(ms_since(asked), 300);
}

TEST_F(CaptureThread, AboveFifteenThousandFramesASecondDispatchesShareAPass) {
  // 200,000 frames a second: 14 dispatches of 500 make the first 33 ms, so 20,000 frames take
  // three passes where one per dispatch would take 40.
  const int fast = passes_for(file_of("fast.pcap", 20'000, 5), 20'000);
  EXPECT_GE(fast, 3);
  EXPECT_LE(fast, 5);
  // 1000 frames a second: every dispatch of 500 spans half a second and is a pass.
  const int slow = passes_for(file_of("slow.pcap", 3'000, 1'000), 3'000);
  EXPECT_GE(slow, 6);
  EXPECT_LE(slow, 9);
}

// An Ethernet file, an adapter that is down, loopback and another Ethernet file.
class AdapterChange : public CaptureThread {
 protected:
  void SetUp() override {
    CaptureThread::SetUp();
    list = {file_of("a.pcap", 100, 1000), {"nwdown0", "", NETTYPE_DOWN, 0, false},
            {"lo", "", NETTYPE_UNSUPPORTED, 0, false}, file_of("b.pcap", 100, 1000)};
    {
      message_log quiet;  // the down adapter's network says it failed to open
      net_new(list[1]);
      net_new(list[2]);
    }
    init(1);
    ASSERT_EQ(adapter_change_open(0), 1);
  }
  void init(std::size_t current) {
    adapter_change_init(list, current, CAPTURE_SNAPLEN_DEFAULT,
                        {[this] { ++control_panel; }, [this](const std::string& t) { titles.push_back(t); },
                         [this] { ++lists_replaced; }});
  }
  // Nothing changed since SetUp.
  void expect_unchanged() {
    EXPECT_EQ(adapter_change_current(), 0U);
    EXPECT_EQ(net_current(), net_find(list[0]));
    EXPECT_TRUE(capture_thread_has_source());
    EXPECT_EQ(output_event_list().size(), 0U);
    EXPECT_EQ(control_panel + lists_replaced + static_cast<int>(titles.size()), 0);
  }

  std::vector<adapter_desc> list;
  int control_panel = 0, lists_replaced = 0;
  std::vector<std::string> titles;
};

TEST_F(AdapterChange, InvalidAndUnsupportedChoicesLeaveTheOpenAdapterInUse) {
  message_log log;
  EXPECT_EQ(adapter_change(1), -1);
  EXPECT_EQ(adapter_change(2), -1);
  EXPECT_EQ(adapter_change(9), -1);  // no such row
  ASSERT_EQ(log.shown.size(), 3U);
  EXPECT_EQ(log.shown[0].text, "This adapter is currently invalid");
  EXPECT_EQ(log.shown[1].text, "This adapter is using an unsupported network type");
  EXPECT_EQ(log.shown[2].text, "This adapter is currently invalid");
  for (const message& m : log.shown) EXPECT_TRUE(m.caption == "Ошибка" && m.icon == message_icon::stop);
  expect_unchanged();
}

TEST_F(AdapterChange, TheAdapterInUseIsNotEvenReopened) {
  std::filesystem::remove(list[0].name);  // a reopen would fail now
  message_log log;
  EXPECT_EQ(adapter_change(0), 0);
  EXPECT_TRUE(log.shown.empty());
  expect_unchanged();
}

TEST_F(AdapterChange, AChangeOpensTheAdapterTellsTheWindowsAndAddsTheEvent) {
  EXPECT_EQ(adapter_change(3), 1);
  EXPECT_EQ(adapter_change_current(), 3U);
  EXPECT_EQ(net_current(), net_find(list[3]));
  EXPECT_TRUE(capture_thread_has_source());
  const std::vector<output_line> events = output_event_list().lines();
  ASSERT_EQ(events.size(), 1U);
  EXPECT_EQ(events[0].text, "OPEN " + list[3].name);
  EXPECT_NEAR(static_cast<double>(events[0].time), static_cast<double>(std::time(nullptr)), 5.0);
  EXPECT_EQ(control_panel, 1);
  EXPECT_EQ(lists_replaced, 1);
  EXPECT_EQ(titles, std::vector<std::string>{"Nodewren :    " + list[3].name + " (" + list[3].description + ")"});

  // A file gone since the list was made: no handle and no message box, but the event list
  // tells why before the "OPEN" line.
  std::filesystem::remove(list[0].name);
  message_log log;
  EXPECT_EQ(adapter_change(0), 1);
  EXPECT_FALSE(capture_thread_has_source());
  EXPECT_FALSE(adapter_change_open_error().empty());
  EXPECT_TRUE(log.shown.empty());
  const std::vector<output_line> after = output_event_list().lines();
  ASSERT_EQ(after.size(), 3U);
  EXPECT_EQ(after[1].text, list[0].name + ": " + adapter_change_open_error());
  EXPECT_EQ(net_current(), net_find(list[0]));
}

// The window thread switches again and again while the thread dispatches; the sanitizer
// builds catch a handle closed under a dispatch.
TEST_F(AdapterChange, SwitchingWhileTheThreadDispatchesIsSafeAndPrompt) {
  // 10,000 frames a second, and one every 300 ms: leaving the second must break a dispatch
  // that would otherwise wait out the read time-out.
  list[0] = file_of("busy.pcap", 20'000, 100);
  list[3] = file_of("sparse.pcap", 200, 300'000);
  init(1);
  ASSERT_EQ(adapter_change_open(0), 1);
  pass_counts counts;
  capture_thread_start(counts.hooks());
  std::int64_t slowest = 0;
  for (int i = 0; i <= 30; ++i) {  // ends on the sparse file, waiting in a gap when stopped
    std::this_thread::sleep_for(milliseconds(i % 5));
    const std::size_t to = i % 2 == 0 ? 3 : 0;
    const auto asked = clock_type::now();
    EXPECT_EQ(adapter_change(to), 1);
    slowest = std::max(slowest, ms_since(asked));
    EXPECT_EQ(net_current(), net_find(list[to]));
  }
  std::this_thread::sleep_for(milliseconds(100));
  const auto asked = clock_type::now();
  capture_stop();
  EXPECT_LT(ms_since(asked), 300);
  EXPECT_LT(slowest, 500);
  EXPECT_GT(frames_in(list[0]), 0U);
  EXPECT_GT(frames_in(list[3]), 0U);
  EXPECT_GT(counts.redraws, 0);
}

}  // namespace
}  // namespace nw::test

// Alarm evaluation: binding as hosts, links and protocol nodes appear, every subject, type, unit
// and direction at its boundary, the bandwidth measure in 64 bits and on an adapter of unknown
// speed, the queue of firings, the pause from another thread, and the editor's commit.
#include <atomic>
#include <chrono>
#include <ctime>
#include <future>
#include <thread>

#include "alarm/alarm_check.h"
#include "capture/frame.h"
#include "pdl/pd.h"
#include "pdl/pd_stat.h"
#include "tests/alarm_test_support.h"

namespace nw::test {
namespace {

using namespace std::chrono_literals;
using octets = std::vector<std::uint8_t>;

constexpr std::int32_t T0 = 1'700'000'000;

// An Ethernet II frame with IPv4 and a TCP header to `port`, from host `from` (00:A0:C9:14:C8:from,
// 10.0.0.from) to host `to`.
octets tcp_frame(std::uint8_t from, std::uint8_t to, std::uint16_t port) {
  octets f = {0x00, 0xA0, 0xC9, 0x14, 0xC8, to, 0x00, 0xA0, 0xC9, 0x14, 0xC8, from, 0x08, 0x00};
  const octets ip = {0x45, 0, 0, 40, 0, 0, 0, 0, 64, 6, 0, 0, 10, 0, 0, from, 10, 0, 0, to};
  const octets tcp = {0xC0, 0x01, static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port & 0xFF),
                      0, 0, 0, 1, 0, 0, 0, 0, 0x50, 0x02, 0xFA, 0xF0, 0, 0, 0, 0};
  f.insert(f.end(), ip.begin(), ip.end());
  f.insert(f.end(), tcp.begin(), tcp.end());
  return f;
}

// Whether the wake-up lets a waiting thread through within `limit`; a waiter still blocked then
// is let go by setting it.
bool wakes_within(std::chrono::milliseconds limit) {
  std::promise<void> woken;
  std::thread waiter([&woken] {
    alarm_wakeup().wait();
    woken.set_value();
  });
  const bool ok = woken.get_future().wait_for(limit) == std::future_status::ready;
  if (!ok) alarm_wakeup().set();
  waiter.join();
  return ok;
}

class AlarmCheck : public alarm_fixture {
 protected:
  void SetUp() override {
    alarm_fixture::SetUp();
    start_resolver();
  }

  // Reads the alarms, waits for their hosts' resolution and registers them, as start-up does.
  alarm_list& arm(std::string_view text) {
    alarm_list& list = load(text);
    EXPECT_TRUE(messages.empty()) << text;
    drain_resolver();
    alarm_register_all();
    return list;
  }

  // A frame `after_us` microseconds after T0.
  void send(const octets& frame, std::int32_t after_us = 0) {
    const capture_time t{T0 + after_us / 1'000'000, after_us % 1'000'000};
    const frame_header h{t, static_cast<std::uint32_t>(frame.size())};
    model_lock lock;
    ASSERT_EQ(netif_ether_frame(*network, h, frame), 0);
  }

  // One pass's alarm step as the capture thread runs it, then the alarms it fired.
  std::vector<alarm_def*> pass() {
    {
      model_lock lock;
      alarm_bind(*network);
      alarm_check(*network);
    }
    std::vector<alarm_def*> fired;
    alarm_event e;
    while (alarm_queue_take(&e) == 1) fired.push_back(e.alarm);
    return fired;
  }

  node* host(std::uint8_t last) { return node_find(*network, mac_of(last)); }
};

TEST_F(AlarmCheck, AlarmsBindOnceTheirHostsLinksAndNodesExist) {
  dns["srv"] = "10.0.0.2";  // asked for only once the alarms are read
  alarm_list& list = arm(
      "Occurrence host 00:a0:c9:14:c8:01 \"by hardware address\" on \"\" \"\"\n"
      "Occurrence link 10.0.0.1 10.0.0.2 \"by IPv4 address\" on \"\" \"\"\n"
      "Occurrence host \"srv\" \"by name\" on \"\" \"\"\n"
      "Threshold network high 1 pkts \"network\" on \"\" \"\"\n"
      "Occurrence protocol TELNET \"protocol\" on \"\" \"\"\n"
      "Occurrence protocol TR_MAC \"Token Ring only\" on \"\" \"\"\n"
      "Occurrence host 00:a0:c9:14:c8:01 \"switched off\" off \"\" \"\"\n"
      "Occurrence link 10.0.0.1 10.0.0.3 \"no traffic that way yet\" on \"\" \"\"\n");
  ASSERT_EQ(alarm_pending().size(), 8U);

  (void)pass();  // no hosts yet: only the network and the Ethernet protocol bind
  EXPECT_EQ(alarm_active(), (std::vector{list[3].get(), list[4].get()}));
  EXPECT_EQ(alarm_pending().size(), 6U);

  // Hosts learn their IPv4 addresses from what they send.
  send(tcp_frame(2, 3, 80));
  send(tcp_frame(3, 2, 80), 1);
  send(tcp_frame(1, 2, 80), 2);
  (void)pass();
  EXPECT_EQ(alarm_active(), (std::vector{list[3].get(), list[4].get(), list[0].get(), list[1].get(), list[2].get()}));
  EXPECT_EQ(alarm_pending(), (std::vector{list[5].get(), list[6].get(), list[7].get()}));
  EXPECT_EQ(list[0]->node_a, host(1));
  EXPECT_EQ(list[1]->node_a, host(1));
  EXPECT_EQ(list[1]->node_b, host(2));
  EXPECT_EQ(list[1]->lnk, link_find(*host(1), mac_of(2)));
  EXPECT_EQ(list[2]->node_a, host(2));
  EXPECT_EQ(list[6]->node_a, nullptr);  // an alarm that is off is not bound
  // Both hosts of a link exist, the link does not: the hosts are bound, it waits.
  EXPECT_EQ(list[7]->node_a, host(1));
  EXPECT_EQ(list[7]->node_b, host(3));
  EXPECT_EQ(list[7]->lnk, nullptr);

  send(tcp_frame(1, 3, 80), 3);
  (void)pass();
  EXPECT_EQ(alarm_active().back(), list[7].get());
}

// After an adapter change the passes bring another network: alarms bound to hosts and links of
// the old one must not be checked against the new one's traffic through stale records.
TEST_F(AlarmCheck, PassChecksBindAlarmsAgainInTheNetworkOfAnAdapterChange) {
  alarm_list& list = arm(
      "Occurrence host 00:a0:c9:14:c8:01 \"station 1\" on \"\" \"\"\n"
      "Occurrence link 10.0.0.1 10.0.0.2 \"1 to 2\" on \"\" \"\"\n");
  const auto checks = alarm_pass_checks();
  net* first = network;
  // 2 speaks first, so the link from 1 is also known by 2's IPv4 address.
  send(tcp_frame(2, 1, 80));
  send(tcp_frame(1, 2, 80), 1);
  {
    model_lock lock;
    checks(*first);
  }
  ASSERT_EQ(list[0]->node_a, node_find(*first, mac_of(1)));
  ASSERT_EQ(list[1]->lnk, link_find(*node_find(*first, mac_of(1)), mac_of(2)));

  net* second = net_new(adapter_desc{"eth1", "second", NETTYPE_ETHERNET});
  network = second;
  {
    model_lock lock;
    checks(*second);  // nothing of the alarms' hosts is there yet
  }
  EXPECT_EQ(list[0]->node_a, nullptr);
  EXPECT_EQ(list[1]->lnk, nullptr);
  EXPECT_EQ(alarm_active().size(), 0U);
  send(tcp_frame(2, 1, 80), 2);
  send(tcp_frame(1, 2, 80), 3);
  {
    model_lock lock;
    checks(*second);
  }
  EXPECT_EQ(list[0]->node_a, node_find(*second, mac_of(1)));
  EXPECT_EQ(list[1]->lnk, link_find(*node_find(*second, mac_of(1)), mac_of(2)));

  // Back on the first adapter, its hosts are found again.
  {
    model_lock lock;
    checks(*first);
  }
  EXPECT_EQ(list[0]->node_a, node_find(*first, mac_of(1)));
  EXPECT_EQ(list[1]->lnk, link_find(*node_find(*first, mac_of(1)), mac_of(2)));
  EXPECT_EQ(alarm_active().size(), 2U);
}

// A threshold alarm on one subject, fed a measure through the counters it reads.
struct threshold_case {
  const char* subject;  // the alarm's subject words
  const char* unit;
  std::uint32_t value;
  std::uint64_t pkts_at, bytes_at;        // a measure exactly at the value
  std::uint64_t pkts_below, bytes_below;  // one step below it
};

TEST_F(AlarmCheck, ThresholdsFireAtOrAboveForHighAndBelowForLow) {
  network->adapter.speed = 10'000'000;
  send(tcp_frame(2, 1, 80));
  send(tcp_frame(1, 2, 80), 1);
  node& a = *host(1);
  link& l = *link_find(a, mac_of(2));
  const std::vector<threshold_case> cases = {
      {"host 00:a0:c9:14:c8:01", "pkts", 100, 100, 0, 99, 0},
      {"host 10.0.0.1", "kbytes", 1, 0, 1024, 0, 1023},
      // 500 frames of 1000 bytes: 96,000 + 4,000,000 bits of 10,000,000 is 40 percent.
      {"host 00:a0:c9:14:c8:01", "bandwidth", 40, 500, 500'000, 0, 499'999},
      {"link 10.0.0.1 00:a0:c9:14:c8:02", "pkts", 7, 7, 0, 6, 0},
      {"link 00:a0:c9:14:c8:01 10.0.0.2", "kbytes", 3, 0, 3072, 0, 3071},
      {"link 10.0.0.1 10.0.0.2", "bandwidth", 1, 0, 12'500, 0, 12'499},
      {"network", "pkts", 1, 1, 0, 0, 0},
      {"network", "kbytes", 2, 0, 2048, 0, 2047},
      {"network", "bandwidth", 100, 52'084, 0, 52'083, 0},
  };
  for (const threshold_case& c : cases) {
    for (const char* direction : {"high", "low"}) {
      const std::string text = std::string("Threshold ") + c.subject + " " + direction + " " + std::to_string(c.value) +
                               " " + c.unit + " \"t\" on \"\" \"\"";
      alarm_list& list = arm(text);
      (void)pass();
      ASSERT_EQ(alarm_active().size(), 1U) << text;
      auto set = [&](std::uint64_t pkts, std::uint64_t bytes) {
        a.tx_pkts_sec2 = l.pkts_sec2 = network->pkts_sec2 = pkts;
        a.tx_bytes_sec2 = l.bytes_sec2 = network->bytes_sec2 = bytes;
      };
      const bool high = std::string(direction) == "high";
      set(c.pkts_at, c.bytes_at);
      EXPECT_EQ(pass().size(), high ? 1U : 0U) << text << " at the value";
      set(c.pkts_below, c.bytes_below);
      EXPECT_EQ(pass().size(), high ? 0U : 1U) << text << " below the value";
      // No hysteresis: a condition that holds fires after every pass.
      EXPECT_EQ(pass(), (high ? std::vector<alarm_def*>{} : std::vector{list[0].get()})) << text;
    }
  }
}

TEST_F(AlarmCheck, APacketAlarmFollowsTheLastSecondOfRealFrames) {
  alarm_list& list = arm("Threshold host 00:a0:c9:14:c8:01 high 100 pkts \"busy\" on \"\" \"\"");
  for (std::int32_t i = 0; i < 100; ++i) send(tcp_frame(1, 2, 80), i * 1000);
  EXPECT_EQ(pass(), std::vector{list[0].get()});
  EXPECT_EQ(pass(), std::vector{list[0].get()});
  // A frame of another host 1.0005 s after the first ends the first one's second: 99 left.
  send(tcp_frame(3, 2, 80), 1'000'500);
  ASSERT_EQ(host(1)->tx_pkts_sec2, 99U);
  EXPECT_TRUE(pass().empty());
}

TEST_F(AlarmCheck, TheBandwidthMeasureIsSixtyFourBitAndNeedsAKnownSpeed) {
  EXPECT_EQ(alarm_bandwidth(500, 500'000, 10'000'000), 40U);
  // 100 Gbit/s: the bytes alone pass 32 bits once counted in bits.
  EXPECT_EQ(alarm_bandwidth(0, 12'500'000'000ULL, 100'000'000'000ULL), 100U);
  EXPECT_EQ(alarm_bandwidth(100'000'000, 0, 100'000'000'000ULL), 19U);
  EXPECT_EQ(alarm_bandwidth(1, 1, 0), 0U);
  EXPECT_EQ(alarm_bandwidth(1'000, 1'000'000, 99), 0U);

  alarm_list& list = arm(
      "Threshold network high 100 bandwidth \"at 100\" on \"\" \"\"\n"
      "Threshold network high 101 bandwidth \"at 101\" on \"\" \"\"\n"
      "Threshold network high 5000000 kbytes \"5 GB\" on \"\" \"\"\n"
      "Threshold network low 100 bandwidth \"low on unknown speed\" on \"\" \"\"\n"
      "Threshold network high 0 bandwidth \"zero on unknown speed\" on \"\" \"\"\n"
      "Threshold network high 1 pkts \"packets need no speed\" on \"\" \"\"\n");
  network->adapter.speed = 100'000'000'000ULL;
  network->pkts_sec2 = 1;
  network->bytes_sec2 = 5'120'000'000ULL;  // 5,000,000 KiB: 40.96 Gbit
  EXPECT_EQ(pass(), (std::vector{list[2].get(), list[3].get(), list[4].get(), list[5].get()}));
  network->bytes_sec2 = 12'500'000'000ULL;
  network->pkts_sec2 = 0;
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[2].get(), list[4].get()}));
  network->bytes_sec2 = 5'119'999'999ULL;
  EXPECT_EQ(pass(), (std::vector{list[3].get(), list[4].get()}));

  // Unknown speed: no bandwidth alarm fires, high or low.
  for (std::uint64_t speed : {0ULL, 99ULL}) {
    network->adapter.speed = speed;
    network->pkts_sec2 = 1;
    EXPECT_EQ(pass(), std::vector{list[5].get()}) << speed;
  }
}

TEST_F(AlarmCheck, OccurrenceAlarmsFollowActivityAndNetworkOnesNeverFire) {
  alarm_list& list = arm(
      "Occurrence host 10.0.0.1 \"host\" on \"\" \"\"\n"
      "Occurrence link 10.0.0.1 10.0.0.2 \"link\" on \"\" \"\"\n"
      "Occurrence network \"network\" on \"\" \"\"\n"
      "Threshold protocol TELNET \"threshold protocol\" on \"\" \"\"\n");
  send(tcp_frame(2, 1, 23));
  send(tcp_frame(1, 2, 23), 1);
  {
    model_lock lock;
    net_age(*network);
  }
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[1].get()}));
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[1].get()}));
  // Past both time-outs the host and the link fall silent.
  model_set_now(capture_time{T0 + 60, 0});
  {
    model_lock lock;
    net_age(*network);
  }
  EXPECT_EQ(host(1)->active, 0);
  EXPECT_TRUE(pass().empty());
}

TEST_F(AlarmCheck, AProtocolAlarmFiresForEachPassWithItsFramesOnly) {
  alarm_list& list = arm(
      "Occurrence protocol TELNET \"telnet\" on \"\" \"\"\n"
      "Occurrence protocol TELNET \"telnet again\" on \"\" \"\"\n"
      "Occurrence protocol SSH \"ssh\" on \"\" \"\"\n");
  EXPECT_TRUE(pass().empty());
  // The node watched is the one a plain Ethernet II frame reaches.
  const octets telnet = tcp_frame(1, 2, 23);
  const decode_path& path = pd_decode(telnet, static_cast<std::int32_t>(telnet.size()), network->media);
  EXPECT_NE(std::find(path.begin(), path.end(), list[0]->proto_node), path.end());
  pd_stat_clear(list[0]->proto_node->stats);

  send(telnet);
  send(telnet, 1);
  // Both alarms on one protocol fire; neither clears the protocol's counters for the other,
  // nor for the protocol summary.
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[1].get()}));
  EXPECT_EQ(pd_stat_frames(list[0]->proto_node), 2.0);
  EXPECT_TRUE(pass().empty());
  send(tcp_frame(1, 2, 22), 2);
  EXPECT_EQ(pass(), std::vector{list[2].get()});
  send(telnet, 3);
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[1].get()}));
  // A counter cleared elsewhere: what it holds then is new.
  pd_stat_clear(list[0]->proto_node->stats);
  EXPECT_TRUE(pass().empty());
  send(telnet, 4);
  EXPECT_EQ(pass(), (std::vector{list[0].get(), list[1].get()}));
}

TEST_F(AlarmCheck, AFiringIsQueuedWithItsTimeAndWakesTheAlarmThread) {
  alarm_list& list = arm("Threshold network low 1 pkts \"quiet\" on \"\" \"\"");
  EXPECT_FALSE(wakes_within(20ms));
  alarm_event none;
  EXPECT_EQ(alarm_queue_take(&none), 0);  // resets the wake-up the probe set

  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  EXPECT_EQ(alarm_fire(*list[0]), 1);
  EXPECT_EQ(alarm_fire(*list[0]), 1);
  const auto after = static_cast<std::uint32_t>(std::time(nullptr));
  EXPECT_EQ(alarm_queued(), 2U);
  EXPECT_TRUE(wakes_within(5s));
  for (int i = 0; i < 2; ++i) {
    alarm_event e;
    ASSERT_EQ(alarm_queue_take(&e), 1);
    EXPECT_EQ(e.alarm, list[0].get());
    EXPECT_GE(e.time, before);
    EXPECT_LE(e.time, after);
  }
  // The take that finds the queue empty resets the wake-up; the check's next firing sets it.
  EXPECT_EQ(alarm_queue_take(&none), 0);
  EXPECT_FALSE(wakes_within(50ms));
  EXPECT_EQ(alarm_queue_take(&none), 0);
  {
    model_lock lock;
    alarm_bind(*network);
    alarm_check(*network);
  }
  EXPECT_TRUE(wakes_within(5s));
  EXPECT_EQ(alarm_queued(), 1U);
}

TEST_F(AlarmCheck, WhilePausedNothingIsBoundOrFiredAndPauseWaitsForARunningCheck) {
  (void)arm("Threshold network low 1 pkts \"always\" on \"\" \"\"");
  (void)pass();
  ASSERT_EQ(alarm_active().size(), 1U);
  auto late = alarm_new();
  late->subject = ALARM_NETWORK;
  late->state = ALARM_ON;
  std::atomic<int> entered{0}, left{0};
  auto passes_after = [&](int count) {
    const int target = left.load() + count;
    for (int i = 0; i < 5000 && left.load() < target; ++i) std::this_thread::sleep_for(1ms);
    return left.load() >= target;
  };
  // With the alarm mutex held, a check that has started stays inside its firing.
  std::unique_lock held(alarm_mutex());
  {
    std::jthread capture([&](const std::stop_token& stop) {  // the capture thread's alarm step
      while (!stop.stop_requested()) {
        ++entered;
        {
          model_lock lock;
          alarm_bind(*network);
          alarm_check(*network);
        }
        ++left;
      }
    });
    auto inside = [&] { return entered.load() == left.load() + 1; };
    for (int i = 0; i < 1000 && !inside(); ++i) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(inside());

    std::atomic<bool> paused{false};
    std::thread pauser([&paused] {
      alarm_pause();
      paused = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(paused.load()) << "the pause returned while a check was running";
    held.unlock();
    pauser.join();

    // Paused: passes go on, nothing is bound or queued, and the lists are ours.
    const std::uint32_t queued = alarm_queued();
    alarm_pending().push_back(late.get());
    EXPECT_TRUE(passes_after(20));
    EXPECT_EQ(alarm_queued(), queued);
    EXPECT_EQ(alarm_pending(), std::vector{late.get()});

    alarm_resume();
    for (int i = 0; i < 5000 && alarm_queued() == queued; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_GT(alarm_queued(), queued);
  }
  EXPECT_TRUE(alarm_pending().empty());
  EXPECT_EQ(alarm_active().back(), late.get());
  alarm_active().pop_back();
}

TEST_F(AlarmCheck, TheCommitReplacesTheListRanksEveryAlarmSavesAndRegisters) {
  alarm_list& live = arm(
      "Threshold network low 1 pkts \"first\" on \"\" \"\"\n"
      "Threshold network low 1 pkts \"second\" on \"\" \"\"\n");
  alarm_rank_all(*network);  // as start-up does after reading
  {
    std::lock_guard lock(alarm_mutex());
    EXPECT_EQ(alarm_rank(*network).count, 2);
  }
  // Two passes and what the alarm thread does with their firings.
  for (int i = 0; i < 2; ++i) {
    for (alarm_def* fired : pass()) {
      std::lock_guard lock(alarm_mutex());
      fired->hits.push_back({static_cast<std::uint32_t>(i)});
      alarm_rank_offer(*network, *fired);
    }
  }
  alarm_def* old_first = live[0].get();
  alarm_def* old_second = live[1].get();
  ASSERT_EQ(old_first->hits.size(), 2U);

  alarm_list edited = alarm_list_copy_current();
  ASSERT_EQ(edited.size(), 2U);
  EXPECT_EQ(edited[0]->rank_index, -1);
  edited[0]->message = "first, edited";
  edited.erase(edited.begin() + 1);
  // The editor's New, and a host alarm whose host was cleared.
  for (const std::int32_t subject : {ALARM_NETWORK, ALARM_HOST}) {
    auto added = alarm_new();
    added->subject = subject;
    added->type = ALARM_THRESHOLD;
    added->direction = ALARM_HIGH;
    added->message = "New Alarm";
    edited.push_back(std::move(added));
  }
  std::vector<alarm_def*> edited_alarms;
  for (const auto& a : edited) edited_alarms.push_back(a.get());

  // A firing of an alarm the commit replaces is still waiting for the alarm thread.
  ASSERT_EQ(alarm_fire(*old_second), 1);
  const std::string file = path("alarm.adl");
  EXPECT_EQ(alarm_commit(std::move(edited), file, network), 1);

  alarm_list& now = alarm_list_current();
  ASSERT_EQ(now.size(), 3U);
  for (std::size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i].get(), edited_alarms[i]);
  EXPECT_EQ(read_file(file),
            "Threshold network low 1 pkts \"first, edited\" on  \"\" \"\"\n"
            "Threshold network high 0 kbytes \"New Alarm\" off  \"\" \"\"\n");
  EXPECT_EQ(alarm_pending(), edited_alarms);
  EXPECT_TRUE(alarm_active().empty());

  // The ranking holds every alarm of the new list, the edited one first with the hits its
  // original had.
  {
    std::lock_guard lock(alarm_mutex());
    const topn<alarm_def>& rank = alarm_rank(*network);
    ASSERT_EQ(rank.count, 3);
    EXPECT_EQ(rank.entries[0], edited_alarms[0]);
    EXPECT_EQ(edited_alarms[0]->hits.size(), 2U);
    for (alarm_def* a : edited_alarms) EXPECT_NE(a->rank_index, -1);
  }

  // The alarm thread takes the old firing: its alarm is still there, and it is not ranked again.
  alarm_event e;
  ASSERT_EQ(alarm_queue_take(&e), 1);
  EXPECT_EQ(e.alarm, old_second);
  EXPECT_TRUE(e.alarm->retired);
  EXPECT_EQ(e.alarm->message, "second");
  {
    std::lock_guard lock(alarm_mutex());
    e.alarm->hits.push_back({9});
    alarm_rank_offer(*network, *e.alarm);
    EXPECT_EQ(alarm_rank(*network).count, 3);
  }

  // Evaluation goes on with the new list.
  EXPECT_EQ(pass(), std::vector{edited_alarms[0]});
  EXPECT_EQ(alarm_pending(), (std::vector{edited_alarms[1], edited_alarms[2]}));
}

}  // namespace
}  // namespace nw::test

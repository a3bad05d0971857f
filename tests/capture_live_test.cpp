// Live capture for real: a veth pair with one end in a network namespace of its own; frames
// sent from inside the namespace reach the model through the host end. Needs root and
// `ip netns`, and skips otherwise; the namespace and the links go with the test, failed or not.
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "capture/adapter_change.h"
#include "capture/capture_thread.h"
#include "capture/netif.h"
#include "capture_test_support.h"
#include "model_test_support.h"
#include "output/event_list.h"

namespace nw::test {
namespace {

using clock_type = std::chrono::steady_clock;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Sends the frames out of `interface` in namespace ns from a child process that joins it; true
// when every frame went out.
bool send_in_namespace(const std::string& ns, const std::string& interface, const std::vector<demo::demo_frame>& frames) {
  const pid_t child = fork();
  if (child == 0) {
    const int ns_fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (ns_fd < 0 || setns(ns_fd, CLONE_NEWNET) != 0) _exit(2);
    const int s = socket(AF_PACKET, SOCK_RAW, 0);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = static_cast<int>(if_nametoindex(interface.c_str()));
    to.sll_halen = ETH_ALEN;
    if (s < 0 || to.sll_ifindex == 0) _exit(3);
    for (const demo::demo_frame& f : frames) {
      const auto* address = static_cast<const sockaddr*>(static_cast<const void*>(&to));
      if (sendto(s, f.octets.data(), f.octets.size(), 0, address, sizeof to) != static_cast<ssize_t>(f.octets.size())) {
        _exit(4);
      }
    }
    _exit(0);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class LiveCapture : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    output_lists_reset();
    if (geteuid() != 0) GTEST_SKIP() << "live capture needs root (network namespaces, promiscuous mode)";
    const std::string id = std::to_string(getpid());
    ns = "nwcap" + id;
    host_end = "nwc" + id + "h";
    peer_end = "nwc" + id + "p";
    if (!run("ip netns add " + ns)) GTEST_SKIP() << "`ip netns add` is unavailable here";
    made = true;
    ASSERT_TRUE(run("ip link add " + host_end + " type veth peer name " + peer_end));
    ASSERT_TRUE(run("ip link set " + peer_end + " netns " + ns));
    ASSERT_TRUE(run("ip netns exec " + ns + " ip link set " + peer_end + " up"));
    ASSERT_TRUE(run("ip link set " + host_end + " up"));
  }
  void TearDown() override {
    capture_stop();
    adapter_change_init({}, 0, CAPTURE_SNAPLEN_DEFAULT, {});
    if (made) {
      run("ip link del " + host_end);
      run("ip netns del " + ns);
    }
    output_lists_reset();
    model_test::TearDown();
  }

  // The host end as the adapter list gives it.
  adapter_desc listed_host_end() {
    std::vector<adapter_desc> adapters;
    std::string error;
    EXPECT_EQ(adapter_list_find(adapters, error), 1) << error;
    for (const adapter_desc& a : adapters) {
      if (a.name == host_end) return a;
    }
    ADD_FAILURE() << host_end << " is not in the adapter list";
    return {};
  }

  std::string ns, host_end, peer_end;
  bool made = false;
};

TEST_F(LiveCapture, TheListGivesTypeAndSpeedFromTheKernel) {
  const adapter_desc a = listed_host_end();
  EXPECT_EQ(a.type, NETTYPE_ETHERNET);
  EXPECT_EQ(a.speed, 10'000'000'000U);  // veth reports 10000 Mbit/s
  EXPECT_FALSE(a.file);
  ASSERT_TRUE(run("ip link set " + host_end + " down"));
  const adapter_desc down = adapter_from_interface(host_end, "");
  EXPECT_EQ(down.type, NETTYPE_DOWN);
  EXPECT_EQ(down.speed, 0U);
}

TEST_F(LiveCapture, FramesSentInTheNamespaceBecomeHostsOfTheModel) {
  const adapter_desc adapter = listed_host_end();
  net* n = net_new(adapter);
  std::string error;
  auto source = capture_source::open(adapter, CAPTURE_SNAPLEN_DEFAULT, replay_pace::timestamps, error);
  ASSERT_NE(source, nullptr) << error;
  EXPECT_EQ(source->link_type(), LINK_ETHERNET);

  std::vector<demo::demo_frame> frames;
  for (int i = 0; i < 40; ++i) frames.push_back(station_frame(static_cast<std::uint8_t>(1 + i % 4), 60));
  frames.push_back(station_frame(9, 1000));  // beyond the snapshot: counted at its full length
  ASSERT_TRUE(send_in_namespace(ns, peer_end, frames));

  const std::vector<std::uint8_t> stations{1, 2, 3, 4, 9};
  auto all_in = [&] {
    model_lock lock;
    return std::all_of(stations.begin(), stations.end(), [&](std::uint8_t s) { return node_find(*n, station_mac(s)); });
  };
  frame_batch batch;
  const auto give_up = clock_type::now() + std::chrono::seconds(5);
  while (!all_in() && clock_type::now() < give_up) (void)netif_dispatch(*n, *source, batch);
  netif_account(*n, *source);

  model_lock lock;
  ASSERT_TRUE(all_in());
  EXPECT_EQ(node_find(*n, station_mac(1))->tx_pkts, 10U);
  EXPECT_EQ(node_find(*n, station_mac(9))->tx_bytes, 1000U);
  ASSERT_NE(node_find(*n, station_mac(2))->ip, nullptr);
  EXPECT_EQ(netaddr_to_text_new(*node_find(*n, station_mac(2))->ip), "10.77.0.2");
  EXPECT_GE(n->received, 41U);
}

// A segment where nothing is sent at all still makes a pass about every read time-out: a
// dispatch that waited for frames forever would freeze the map and the statistics.
TEST_F(LiveCapture, ASegmentThatNeverSpeaksStillMakesPasses) {
  ASSERT_TRUE(run("ip -n " + ns + " link set " + peer_end + " down"));
  const std::vector<adapter_desc> list{listed_host_end()};
  (void)net_new(list[0]);
  adapter_change_init(list, 0, CAPTURE_SNAPLEN_DEFAULT, {});
  ASSERT_EQ(adapter_change_open(0), 1) << adapter_change_open_error();
  std::atomic<int> passes{0};
  pass_hooks hooks;
  hooks.stats_posted = [&passes](net&) { ++passes; };
  capture_thread_start(hooks);
  std::this_thread::sleep_for(std::chrono::milliseconds(2600));
  const auto asked = clock_type::now();
  capture_stop();
  EXPECT_LT(clock_type::now() - asked, std::chrono::milliseconds(500));
  EXPECT_GE(passes.load(), 3);
}

// No frame arrives once the sender stops, yet the last second's counters must fall to 0: the
// silent passes move the clock on.
TEST_F(LiveCapture, ASilentSegmentEmptiesTheOneSecondWindow) {
  const std::vector<adapter_desc> list{listed_host_end()};
  net* n = net_new(list[0]);
  adapter_change_init(list, 0, CAPTURE_SNAPLEN_DEFAULT, {});
  ASSERT_EQ(adapter_change_open(0), 1) << adapter_change_open_error();
  capture_thread_start({});
  ASSERT_TRUE(send_in_namespace(ns, peer_end, std::vector<demo::demo_frame>(10, station_frame(5, 60))));
  const auto counted = [&] {
    model_lock lock;
    return n->pkts;
  };
  const auto last_second = [&] {
    model_lock lock;
    return n->pkts_sec;
  };
  const auto give_up = clock_type::now() + std::chrono::seconds(5);
  while (counted() < 10 && clock_type::now() < give_up) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(counted(), 10U);
  while (last_second() != 0 && clock_type::now() < give_up) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  capture_stop();
  EXPECT_EQ(last_second(), 0U);
}

// The capture thread waits in a live dispatch between frames: a change must break that wait
// rather than sit out the read time-out, and close the handle only once the pass is over.
TEST_F(LiveCapture, ChangingAdapterUnderALiveDispatchIsPromptAndSafe) {
  temp_dir dir;
  ASSERT_TRUE(demo::write_pcap(dir.file("demo.pcap"), demo_frames(2'000, 1'000)));
  const std::vector<adapter_desc> list{listed_host_end(), file_adapter(dir.file("demo.pcap"))};
  for (const adapter_desc& a : list) net_new(a);
  adapter_change_init(list, 1, CAPTURE_SNAPLEN_DEFAULT, {});
  ASSERT_EQ(adapter_change_open(0), 1) << adapter_change_open_error();
  capture_thread_start({});

  const std::vector<demo::demo_frame> frames(20, station_frame(7, 60));
  std::chrono::nanoseconds slowest{0};
  for (int i = 0; i < 20; ++i) {
    if (i % 2 == 0) {
      ASSERT_TRUE(send_in_namespace(ns, peer_end, frames));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto asked = clock_type::now();
    ASSERT_EQ(adapter_change(i % 2 == 0 ? 1 : 0), 1);
    slowest = std::max(slowest, clock_type::now() - asked);
  }
  const auto asked = clock_type::now();
  capture_stop();
  EXPECT_LT(clock_type::now() - asked, std::chrono::milliseconds(500));
  EXPECT_LT(slowest, std::chrono::milliseconds(500));
  EXPECT_EQ(output_event_list().size(), 20U);
}

}  // namespace
}  // namespace nw::test

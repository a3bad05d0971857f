// The one-second window: boundaries, large frames, bursts, long pauses, and a randomized
// comparison with a brute-force recomputation.
#include <map>
#include <random>
#include <vector>

#include "model/frame_ring.h"
#include "model_test_support.h"

namespace nw::test {
namespace {

class WindowTest : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    a = node_create(*network, mac_of(0x01));
    b = node_create(*network, mac_of(0x02));
  }
  void send(node& s, node& d, std::uint32_t len, capture_time t) {
    carry(s, d, len);
    frame_window_add(*network, s.mac, d.mac, len, t);
  }
  node* a = nullptr;
  node* b = nullptr;
};

TEST_F(WindowTest, OneSecondExactlyStaysAndOneMicrosecondMoreLeaves) {
  send(*a, *b, 100, at(10));
  send(*a, *b, 200, at(11));
  EXPECT_EQ(network->pkts_sec, 2U);
  EXPECT_EQ(network->bytes_sec2, 300U);
  send(*b, *a, 400, at(11, 1));
  EXPECT_EQ(network->pkts_sec, 2U);
  EXPECT_EQ(network->bytes_sec, 600U);
  EXPECT_EQ(a->tx_pkts_sec, 1U);
  EXPECT_EQ(a->tx_bytes_sec2, 200U);
  EXPECT_EQ(b->rx_pkts_sec2, 1U);
  EXPECT_EQ(a->rx_bytes_sec, 400U);
  EXPECT_EQ(link_find(*a, b->mac)->pkts_sec, 1U);
  EXPECT_EQ(network->pkts, 3U);
  EXPECT_EQ(network->bytes, 700U);
  EXPECT_EQ(a->last_tx.usec, 0);
  EXPECT_EQ(b->last_tx.usec, 1);
  EXPECT_EQ(model_now().usec, 1);
}

TEST_F(WindowTest, CountersKeepTheirValuesWhenTrafficStops) {
  send(*a, *b, 100, at(10));
  send(*a, *b, 100, at(10, 500'000));
  model_set_now(at(30));
  net_age(*network);
  EXPECT_EQ(network->pkts_sec, 2U);
  EXPECT_EQ(a->active, 0);
  EXPECT_FALSE(link_active(*link_find(*a, b->mac)));
}

// A live adapter's silent pass moves the clock on: the window empties, but never by a clock
// that runs back.
TEST_F(WindowTest, ASilentLivePassEmptiesTheWindowByTheWallClock) {
  send(*a, *b, 100, at(10));
  send(*a, *b, 100, at(10, 500'000));
  frame_window_idle(*network, at(10, 200'000));
  EXPECT_EQ(model_now().usec, 500'000);
  EXPECT_EQ(network->pkts_sec, 2U);
  frame_window_idle(*network, at(11, 400'000));
  EXPECT_EQ(network->pkts_sec, 1U);
  EXPECT_EQ(a->tx_bytes_sec, 100U);
  frame_window_idle(*network, at(12));
  EXPECT_EQ(network->pkts_sec, 0U);
  EXPECT_EQ(link_find(*a, b->mac)->bytes_sec, 0U);
  EXPECT_EQ(b->rx_pkts_sec, 0U);
  EXPECT_EQ(network->pkts, 2U);
}

TEST_F(WindowTest, FramesAbove64KiBLeaveNoRemainder) {
  send(*a, *b, 70'000, at(10));
  EXPECT_EQ(network->bytes_sec, 70'000U);
  send(*a, *b, 60, at(12));
  EXPECT_EQ(network->bytes_sec, 60U);
  EXPECT_EQ(a->tx_bytes_sec, 60U);
  EXPECT_EQ(b->rx_bytes_sec, 60U);
}

TEST_F(WindowTest, ABurstBeyondTheRingSizeIsCountedExactlyAndExpiresWhole) {
  const std::uint32_t burst = 12'000;
  for (std::uint32_t i = 0; i < burst; ++i) send(*a, *b, 64, at(20, static_cast<std::int32_t>(i * 10)));
  EXPECT_EQ(network->pkts_sec, burst);
  EXPECT_EQ(a->tx_pkts_sec, burst);
  EXPECT_EQ(network->frames.count, burst);
  send(*b, *a, 64, at(22));
  EXPECT_EQ(network->pkts_sec, 1U);
  EXPECT_EQ(a->tx_pkts_sec, 0U);
  EXPECT_EQ(b->rx_bytes_sec, 0U);
  EXPECT_EQ(link_find(*a, b->mac)->bytes_sec, 0U);
}

TEST_F(WindowTest, APauseBeyond72MinutesExpiresEveryOlderFrame) {
  send(*a, *b, 100, at(1000));
  send(*a, *b, 100, at(1000, 900'000));
  // 4,295 s later: a 32-bit microsecond difference wraps to under a second.
  send(*b, *a, 50, at(1000 + 4295, 0));
  EXPECT_EQ(network->pkts_sec, 1U);
  EXPECT_EQ(a->tx_pkts_sec, 0U);
  EXPECT_EQ(a->rx_pkts_sec, 1U);
}

TEST_F(WindowTest, UnknownAddressesCountOnlyOnTheNetwork) {
  send(*a, *b, 100, at(10));
  frame_window_add(*network, mac_of(0x77), mac_of(0x78), 40, at(10, 1));
  EXPECT_EQ(network->pkts_sec, 2U);
  EXPECT_EQ(a->tx_pkts_sec, 1U);
  frame_window_add(*network, mac_of(0x77), mac_of(0x78), 40, at(12));
  EXPECT_EQ(network->pkts_sec, 1U);
  EXPECT_EQ(a->tx_pkts_sec, 0U);
}

// Every last-second counter equals the sum over the frames within one second of the newest,
// after every frame, through bursts far beyond the ring's first size and pauses beyond the
// 32-bit microsecond range.
TEST_F(WindowTest, RandomTrafficMatchesABruteForceRecount) {
  std::mt19937 rng(20240611);
  std::vector<node*> hosts;
  for (std::uint8_t i = 0; i < 12; ++i) hosts.push_back(node_create(*network, mac_of(i, 0x10)));
  struct frame {
    node* s;
    node* d;
    std::uint32_t len;
    std::int64_t t;
  };
  std::vector<frame> sent;
  std::int64_t now = 1'700'000'000LL * 1'000'000;
  int long_pauses = 0;
  std::size_t peak = 0;
  const auto pick = [&rng](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
  for (int i = 0; i < 40'000; ++i) {
    const bool burst = (i / 6000) % 3 == 0;
    if (!burst && pick(997) == 0) {
      // Beyond 72 minutes; half land where a 32-bit difference wraps to under a second.
      now += pick(2) == 0 ? 4'294'967'296LL + pick(500'000) : 4'400'000'000LL + pick(1'000'000'000);
      ++long_pauses;
    } else if (burst) {
      now += pick(2);  // more than 5,000 frames within a second
    } else if (pick(50) == 0) {
      now += 1'000'000 - now % 1'000'000;  // land exactly on a second boundary
    } else {
      now += pick(400'000);
    }
    node* s = hosts[pick(12)];
    node* d = hosts[pick(12)];
    const std::uint32_t len = pick(3) == 0 ? 60 + pick(100'000) : 64;
    const capture_time t{static_cast<std::int32_t>(now / 1'000'000), static_cast<std::int32_t>(now % 1'000'000)};
    carry(*s, *d, len);
    frame_window_add(*network, s->mac, d->mac, len, t);
    sent.push_back({s, d, len, now});

    std::uint64_t pkts = 0, bytes = 0;
    std::map<node*, std::uint64_t> tx, rx;
    std::map<link*, std::uint64_t> on_link;
    std::size_t in_window = 0;
    for (auto it = sent.rbegin(); it != sent.rend() && now - it->t <= 1'000'000; ++it) {
      ++pkts;
      bytes += it->len;
      tx[it->s] += it->len;
      rx[it->d] += it->len;
      on_link[link_find(*it->s, it->d->mac)] += it->len;
      ++in_window;
    }
    peak = std::max(peak, in_window);
    ASSERT_EQ(network->pkts_sec, pkts) << "frame " << i;
    ASSERT_EQ(network->bytes_sec, bytes) << "frame " << i;
    ASSERT_EQ(network->bytes_sec2, bytes) << "frame " << i;
    for (node* h : hosts) {
      ASSERT_EQ(h->tx_bytes_sec, tx[h]) << "frame " << i;
      ASSERT_EQ(h->rx_bytes_sec2, rx[h]) << "frame " << i;
      h->links_out.foreach([&](link* l) { ASSERT_EQ(l->bytes_sec, on_link[l]) << "frame " << i; });
    }
    // The recount only needs the frames still in a window.
    if (sent.size() > 30'000) sent.erase(sent.begin(), sent.end() - static_cast<std::ptrdiff_t>(in_window));
  }
  EXPECT_GT(peak, 5000U);
  EXPECT_GT(long_pauses, 10);
}

}  // namespace
}  // namespace nw::test

// Memory running out while a frame's hosts and link are made: the frame is dropped or counted
// whole, and no list or index is left naming a record that was never finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "capture/frame.h"
#include "model_test_support.h"
#include "pdl/pdl.h"
#include "tests/alloc_counter.h"

namespace nw::test {
namespace {

using octets = std::vector<std::uint8_t>;

// An Ethernet II frame with an IPv4 header from station `from` to station `to`.
octets ip_frame(std::uint8_t from, std::uint8_t to) {
  octets f = {0x00, 0xA0, 0xC9, 0x14, 0xC8, to, 0x00, 0xA0, 0xC9, 0x14, 0xC8, from, 0x08, 0x00};
  const octets ip = {0x45, 0, 0, 20, 0, 0, 0, 0, 64, 17, 0, 0, 10, 0, 0, from, 10, 0, 0, to};
  f.insert(f.end(), ip.begin(), ip.end());
  return f;
}

class FrameAllocFailure : public model_test {
 protected:
  void SetUp() override {
    ASSERT_NE(pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl"), nullptr);
    model_test::SetUp();
  }

  // The frame, with `allowed` allocations to spare.
  void send(const octets& frame, std::int64_t allowed) {
    const frame_header h{capture_time{1'700'000'000, ++usec_}, static_cast<std::uint32_t>(frame.size())};
    model_lock lock;
    allocations_before_failure = allowed;
    const int result = netif_ether_frame(*network, h, frame);
    allocations_before_failure = -1;
    EXPECT_EQ(result, 0);
  }

  // Every made host is listed once, in order, and found by its address; the totals add up.
  void expect_whole() const {
    ASSERT_EQ(network->hosts_made.size(), network->node_count);
    ASSERT_EQ(network->host_list.size(), network->node_count);
    ASSERT_TRUE(std::is_sorted(network->host_list.begin(), network->host_list.end(),
                               [](const node* a, const node* b) { return netaddr_compare(a->mac, b->mac) > 0; }));
    std::uint64_t sent = 0;
    for (const auto& h : network->hosts_made) {
      ASSERT_EQ(node_find(*network, h->mac), h.get());
      sent += h->tx_pkts;
    }
    EXPECT_EQ(sent, network->pkts);
    EXPECT_EQ(network->pkts_sec, network->pkts);
  }

  std::int32_t usec_ = 0;
};

TEST_F(FrameAllocFailure, AFrameWithoutMemoryIsDroppedWholeAndTheNextOneCounts) {
  std::uint64_t counted = 0;
  for (std::uint8_t n = 1; n < 60; ++n) {
    // New stations each time, so every step of making hosts and a link meets the failure.
    send(ip_frame(n, static_cast<std::uint8_t>(n + 100)), n - 1);
    expect_whole();
    for (const std::uint8_t station : {n, static_cast<std::uint8_t>(n + 100)}) {
      const node* found = node_find(*network, mac_of(station));
      ASSERT_TRUE(found == nullptr || std::any_of(network->hosts_made.begin(), network->hosts_made.end(),
                                                   [&](const auto& h) { return h.get() == found; }))
          << "station " << int{station} << " with " << n - 1 << " allocations to spare";
    }
    if (network->pkts > counted) counted = network->pkts;
  }
  EXPECT_GT(counted, 0U);  // with enough to spare, frames do count
  // The first stations' frame was dropped whole: sent again, it makes and counts everything.
  EXPECT_EQ(node_find(*network, mac_of(1)), nullptr);
  send(ip_frame(1, 101), -1);
  send(ip_frame(1, 101), -1);
  expect_whole();
  const node* s = node_find(*network, mac_of(1));
  ASSERT_NE(s, nullptr);
  const link* l = link_find(*s, mac_of(101));
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->pkts, 2U);
  EXPECT_EQ(l->pkts_sec, 2U);
}

}  // namespace
}  // namespace nw::test

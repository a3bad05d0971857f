// Memory running out while a frame's hosts and link are made: the frame is dropped or counted
// whole, and no list or index is left naming a record that was never finished, nor a record
// left that was never finished. Likewise a frame
// read ahead from a file is in its block whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "capture/frame.h"
#include "capture/readahead_block.h"
#include "model_test_support.h"
#include "pdl/pd.h"
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
    for (std::uint32_t k = 0; k < network->hosts_made.size(); ++k) {
      const node& h = network->hosts_made[k];
      ASSERT_EQ(h.number, k);  // its averages' row and its place
      ASSERT_EQ(node_find(*network, h.mac), &h);
      sent += h.tx_pkts;
    }
    EXPECT_EQ(sent, network->pkts);
    EXPECT_EQ(network->pkts_sec, network->pkts);
    // Every made link is whole: numbered by its place, found by its hosts' addresses.
    ASSERT_EQ(network->links.size(), network->link_count);
    for (std::uint32_t k = 0; k < network->link_count; ++k) {
      const link& l = network->links[k];
      ASSERT_EQ(l.number, k);
      ASSERT_NE(l.src, nullptr);
      ASSERT_EQ(link_find(*l.src, l.dst->mac), &l);
    }
  }

  std::int32_t usec_ = 0;
};

TEST_F(FrameAllocFailure, AFrameWithoutMemoryIsDroppedWholeAndTheNextOneCounts) {
  std::uint64_t counted = 0;
  for (std::uint8_t n = 1; n < 60; ++n) {
    // The name database knows the destination's address, under which it is entered too.
    name_record known;
    known.hw = mac_of(static_cast<std::uint8_t>(n + 100));
    known.ip = ip_of(192, 168, 1, n);
    names.records[netaddr_to_text_new(known.hw)] = known;
    // New stations each time, so every step of making hosts and a link meets the failure.
    send(ip_frame(n, static_cast<std::uint8_t>(n + 100)), n - 1);
    expect_whole();
    for (const netaddr& address : {mac_of(n), mac_of(static_cast<std::uint8_t>(n + 100)), ip_of(192, 168, 1, n)}) {
      const node* found = node_find(*network, address);
      ASSERT_TRUE(found == nullptr ||
                  (found->number < network->hosts_made.size() && &network->hosts_made[found->number] == found))
          << netaddr_to_text_new(address) << " with " << n - 1 << " allocations to spare";
    }
    // A host made where an unfinished one was carries nothing of it: only its own address.
    const std::pair<netaddr, netaddr> own_ip[] = {{mac_of(n), ip_of(10, 0, 0, n)},
                                                  {mac_of(static_cast<std::uint8_t>(n + 100)), ip_of(192, 168, 1, n)}};
    for (const auto& [mac, ip] : own_ip) {
      const node* h = node_find(*network, mac);
      if (h != nullptr && h->ip != nullptr) {
        EXPECT_EQ(netaddr_compare(*h->ip, ip), 0) << netaddr_to_text_new(mac);
      }
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

// A host whose making ran out of memory part way (its name record read, its address copied)
// leaves nothing to the host made next in its place.
TEST_F(FrameAllocFailure, AnUnfinishedHostLeavesNothingToTheNext) {
  for (std::int64_t allowed = 0; allowed < 12; ++allowed) {
    const auto station = static_cast<std::uint8_t>(2 * allowed + 1);
    name_record known;
    known.hw = mac_of(station);
    known.local_name = "a name long enough to be kept on the heap of its own";
    known.ip = ip_of(192, 168, 7, station);
    names.records[netaddr_to_text_new(known.hw)] = known;
    {
      model_lock lock;
      allocations_before_failure = allowed;
      try {
        (void)node_create(*network, known.hw);
      } catch (const std::bad_alloc&) {
        // refused part way: what it leaves behind is checked below
      }
      allocations_before_failure = -1;
    }
    model_lock lock;
    const node* plain = node_create(*network, mac_of(static_cast<std::uint8_t>(station + 1)));
    EXPECT_EQ(plain->ip, nullptr) << allowed;
    EXPECT_EQ(plain->name, nullptr) << allowed;
    EXPECT_EQ(node_find(*network, ip_of(192, 168, 7, station)) == plain, false) << allowed;
    expect_whole();
  }
}

// Frames of growing size and depth with 0, 1, 2... allocations to spare: after each refusal the
// block holds exactly the frames stored before, each with its own octets and path.
TEST_F(FrameAllocFailure, AFrameReadAheadIsInItsBlockWholeOrNotAtAll) {
  protocol_node* const media = network->media;
  ASSERT_NE(media, nullptr);
  readahead_block block;
  std::vector<octets> stored;
  for (std::int64_t allowed = 0; stored.size() < 40; ++allowed) {
    octets frame = ip_frame(static_cast<std::uint8_t>(stored.size()), 7);
    frame.resize(frame.size() + stored.size() * 97, 0x5A);
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    allocations_before_failure = allowed % 6;
    try {
      block.add(header, frame, stored.size() % 2 == 0 ? media : nullptr);
      allocations_before_failure = -1;
      stored.push_back(frame);
    } catch (const std::bad_alloc&) {
      allocations_before_failure = -1;
    }
    ASSERT_EQ(block.frames(), stored.size());
    std::size_t octet_count = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
      ASSERT_EQ(block.header(i).caplen, stored[i].size());
      ASSERT_TRUE(std::equal(stored[i].begin(), stored[i].end(), block.data(i))) << "frame " << i;
      octet_count += stored[i].size();
      if (i % 2 == 1) {
        EXPECT_EQ(block.path(i), nullptr);
        continue;
      }
      decode_path expected{};
      ASSERT_TRUE(pd_classify(stored[i], media, expected));
      std::size_t depth = 0;
      for (; expected[depth] != nullptr; ++depth) ASSERT_EQ(block.path(i)[depth], expected[depth]) << "frame " << i;
      EXPECT_EQ(block.path(i)[depth], nullptr);
    }
    ASSERT_EQ(block.octets(), octet_count);
  }
}

}  // namespace
}  // namespace nw::test

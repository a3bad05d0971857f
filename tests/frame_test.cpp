// The frame handlers: which hosts and links a frame makes, what it counts, who learns an IP
// address, Token Ring addressing, and a batch handled exactly as frame by frame.
#include <initializer_list>
#include <vector>

#include "capture/frame.h"
#include "capture/frame_addr.h"
#include "capture/frame_batch.h"
#include "model/addr_index.h"
#include "model/link.h"
#include "model_test_support.h"
#include "output/event_list.h"
#include "tools/demo_lan.h"

namespace nw::test {
namespace {

using octets = std::vector<std::uint8_t>;

octets cat(std::initializer_list<octets> parts) {
  octets all;
  for (const octets& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const octets MAC_A{0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
const octets MAC_B{0x00, 0x00, 0x00, 0x00, 0x00, 0x02};
const octets BROADCAST{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// An Ethernet II frame carrying an IPv4 header from source_ip (20 octets of header).
octets ether_ip(const octets& dst, const octets& src, const octets& source_ip) {
  octets ip(20, 0);
  ip[0] = 0x45;
  std::copy(source_ip.begin(), source_ip.end(), ip.begin() + 12);
  return cat({dst, src, {0x08, 0x00}, ip});
}

// A Token Ring frame: access control, frame control, addresses, routing, then the rest.
octets token_ring(std::uint8_t fc, const octets& dst, const octets& src, const octets& rest) {
  return cat({{0x10, fc}, dst, src, rest});
}

class FrameTest : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    output_lists_reset();
  }
  void ether(const octets& frame, std::uint32_t len = 0) { send(netif_ether_frame, frame, len); }
  void tr(const octets& frame, std::uint32_t len = 0) { send(netif_tr_frame, frame, len); }
  node* host(const octets& mac, std::uint32_t family = NETADDR_ETHER) {
    netaddr addr;
    netaddr_init(addr, family);
    std::copy(mac.begin(), mac.end(), netaddr_bytes(addr));
    return node_find(*network, addr);
  }

 private:
  void send(int (*fn)(net&, const frame_header&, std::span<const std::uint8_t>), const octets& frame,
            std::uint32_t len) {
    usec_ += 1000;
    const frame_header h{capture_time{1'700'000'000, usec_}, len != 0 ? len : static_cast<std::uint32_t>(frame.size())};
    model_lock lock;
    EXPECT_EQ(fn(*network, h, frame), 0);
  }
  std::int32_t usec_ = 0;
};

TEST_F(FrameTest, BroadcastIsAHostAndEachDirectionItsOwnLink) {
  ether(cat({BROADCAST, MAC_A, {0x08, 0x06}, octets(28, 0)}), 64);
  node* a = host(MAC_A);
  node* bc = host(BROADCAST);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(network->node_count, 2U);
  EXPECT_EQ(network->link_count, 1U);
  EXPECT_EQ(a->tx_bytes, 64U);
  EXPECT_EQ(bc->rx_pkts, 1U);
  EXPECT_EQ(bc->tx_pkts, 0U);
  // A new host is offered to both rankings, so it is listed even before it sends.
  EXPECT_NE(bc->senders_pos, -1);
  EXPECT_NE(bc->receivers_pos, -1);

  ether(cat({MAC_B, MAC_A, {0x08, 0x06}}));
  ether(cat({MAC_B, MAC_A, {0x08, 0x06}}));
  ether(cat({MAC_A, MAC_B, {0x08, 0x06}}));
  node* b = host(MAC_B);
  ASSERT_NE(link_find(*a, b->mac), nullptr);
  EXPECT_EQ(link_find(*a, b->mac)->pkts, 2U);
  EXPECT_EQ(link_find(*b, a->mac)->pkts, 1U);
  EXPECT_EQ(network->link_count, 3U);
  // Every frame is in the one-second window and the totals.
  EXPECT_EQ(network->pkts, 4U);
  EXPECT_EQ(network->pkts_sec, 4U);
  EXPECT_EQ(a->tx_pkts_sec, 3U);
  EXPECT_EQ(link_find(*a, b->mac)->pkts_sec, 2U);
}

TEST_F(FrameTest, OnlyTheSourceLearnsItsFirstIpAddress) {
  ether(ether_ip(MAC_B, MAC_A, {192, 168, 1, 10}));
  ether(ether_ip(MAC_B, MAC_A, {192, 168, 1, 99}));
  node* a = host(MAC_A);
  ASSERT_NE(a->ip, nullptr);
  EXPECT_EQ(netaddr_to_text_new(*a->ip), "192.168.1.10");
  EXPECT_EQ(host(MAC_B)->ip, nullptr);  // a router's frames carry other hosts' addresses
  EXPECT_EQ(node_find(*network, ip_of(192, 168, 1, 10)), a);

  // Once both ends know their addresses, the link is found by IP address too.
  ether(ether_ip(MAC_A, MAC_B, {192, 168, 1, 20}));
  ether(ether_ip(MAC_B, MAC_A, {192, 168, 1, 10}));
  EXPECT_EQ(link_find(*a, ip_of(192, 168, 1, 20)), link_find(*a, host(MAC_B)->mac));

  // The name editor clears B's address and B learns another: the link is found by the new one
  // after its next frame, and still by the old one.
  node_clear_ip(*host(MAC_B));
  ether(ether_ip(MAC_A, MAC_B, {192, 168, 1, 21}));
  EXPECT_EQ(link_find(*a, ip_of(192, 168, 1, 21)), nullptr);
  ether(ether_ip(MAC_B, MAC_A, {192, 168, 1, 10}));
  EXPECT_EQ(link_find(*a, ip_of(192, 168, 1, 21)), link_find(*a, host(MAC_B)->mac));
  EXPECT_EQ(link_find(*a, ip_of(192, 168, 1, 20)), link_find(*a, host(MAC_B)->mac));
}

TEST_F(FrameTest, NonIpAndCutShortFramesNeverLearnButStillCount) {
  // 802.3: a length where the EtherType would be, then an LLC header.
  octets dot3 = cat({MAC_B, MAC_A, {0x00, 0x26, 0xE0, 0xE0, 0x03}, octets(40, 0)});
  dot3[26] = 10;
  ether(dot3);
  // IPv4, but cut before the source address ends.
  octets cut = ether_ip(MAC_B, MAC_A, {10, 0, 0, 1});
  cut.resize(29);
  ether(cut, 60);
  EXPECT_EQ(host(MAC_A)->ip, nullptr);
  EXPECT_EQ(host(MAC_A)->tx_pkts, 2U);

  // Too short to name two hosts: counted on the network only.
  ether(octets(MAC_B.begin(), MAC_B.end()), 60);
  ether({}, 60);
  EXPECT_EQ(network->node_count, 2U);
  EXPECT_EQ(network->pkts, 4U);
  EXPECT_EQ(network->bytes_sec, dot3.size() + 60 * 3);
}

TEST_F(FrameTest, TokenRingSourcesAreMaskedAndRoutingMovesTheLlcHeader) {
  // Routing indicator and group bit set on an otherwise zero source.
  tr(token_ring(0x40, MAC_B, {0xC0, 0, 0, 0, 0, 0}, {0xAA, 0xAA, 0x03}), 40);
  EXPECT_NE(host({0, 0, 0, 0, 0, 0}, NETADDR_TR), nullptr);
  EXPECT_EQ(host({0xC0, 0, 0, 0, 0, 0}, NETADDR_TR), nullptr);

  // Six octets of routing information: the LLC header at 20, the IP source at 40.
  const octets routing{0x06, 0x30, 0x00, 0x10, 0x00, 0x20};
  octets ip(20, 0);
  ip[0] = 0x45;
  ip[12] = 10, ip[13] = 1, ip[14] = 2, ip[15] = 3;
  const octets src_routed{0x80, 0x00, 0x5A, 0x00, 0x00, 0x07};
  tr(token_ring(0x40, MAC_B, src_routed, cat({routing, {0xAA, 0xAA, 0x03, 0, 0, 0, 0x08, 0x00}, ip})));
  node* s = host({0x00, 0x00, 0x5A, 0x00, 0x00, 0x07}, NETADDR_TR);
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->ip, nullptr);
  EXPECT_EQ(netaddr_to_text_new(*s->ip), "10.1.2.3");

  // A routing length that runs past the frame reads nothing beyond it.
  tr(token_ring(0x40, MAC_B, {0x80, 0, 0, 0, 0, 9}, {0x1F}));
  EXPECT_EQ(host({0, 0, 0, 0, 0, 9}, NETADDR_TR)->ip, nullptr);
}

TEST_F(FrameTest, TokenRingMacFramesGoToTheirDecoderAndStillCount) {
  // Frame control 0x00: a MAC frame; an Active Monitor Present vector.
  tr(token_ring(0x00, BROADCAST, MAC_A, {0x00, 0x04, 0x00, 0x05}));
  node* a = host(MAC_A, NETADDR_TR);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->tx_pkts, 1U);
  EXPECT_EQ(host(BROADCAST, NETADDR_TR)->rx_pkts, 1U);
  EXPECT_EQ(network->link_count, 1U);
  const std::vector<output_line> events = output_event_list().lines();
  ASSERT_EQ(events.size(), 1U);
  EXPECT_EQ(events[0].text, "AMP [00:00:00:00:00:01]");
  EXPECT_EQ(a->mac_label.state, 2);  // green: the active monitor
}

// The look-ahead keys a frame by its addresses as the indexes do, or it loads the wrong records.
TEST_F(FrameTest, LookAheadKeysAreTheIndexKeysOfTheFramesAddresses) {
  const auto expect_keys = [](auto addresses, auto keys, const octets& frame) {
    netaddr src, dst;
    frame_keys k;
    ASSERT_TRUE(addresses(frame, src, dst));
    ASSERT_TRUE(keys(frame, k));
    EXPECT_EQ(k.src, addr_key(src));
    EXPECT_EQ(k.dst, addr_key(dst));
    const octets cut(frame.begin(), frame.begin() + 11);
    EXPECT_FALSE(keys(cut, k));
  };
  expect_keys(frame_ether_addresses, frame_ether_keys, ether_ip(MAC_B, {0x02, 0x4E, 0x57, 0xA0, 0x01, 0xFE}, {10, 0, 0, 1}));
  expect_keys(frame_tr_addresses, frame_tr_keys, token_ring(0x40, MAC_A, {0xC0, 0x00, 0x5A, 0x00, 0x00, 0x07}, {0xAA}));
}

// Look-ahead loading must not change what a batch counts: the demo LAN, once as a batch and
// once frame by frame, gives the same hosts, links, counters and rankings.
TEST_F(FrameTest, ABatchCountsExactlyAsFrameByFrame) {
  const std::vector<demo::demo_frame> frames = demo::demo_lan_frames();
  frame_batch batch;
  for (const auto& f : frames) {
    const frame_header h{capture_time{static_cast<std::int32_t>(f.time_us / 1'000'000),
                                      static_cast<std::int32_t>(f.time_us % 1'000'000)},
                         static_cast<std::uint32_t>(f.octets.size())};
    batch.add(h, f.octets);
  }
  ASSERT_EQ(frame_batch_run(*network, LINK_ETHERNET, batch), frames.size());
  EXPECT_EQ(frame_batch_run(*network, 7, batch), 0U);  // a link type without a handler

  net* by_frame = net_new(adapter_desc{"eth1", "test", NETTYPE_ETHERNET});
  for (std::size_t i = 0; i < batch.size(); ++i) {
    model_lock lock;
    (void)netif_ether_frame(*by_frame, batch.header(i), batch.data(i));
  }
  ASSERT_EQ(network->host_list.size(), by_frame->host_list.size());
  EXPECT_GT(network->host_list.size(), 20U);
  EXPECT_EQ(network->link_count, by_frame->link_count);
  EXPECT_EQ(network->bytes, by_frame->bytes);
  EXPECT_EQ(network->bytes_sec, by_frame->bytes_sec);
  for (std::size_t i = 0; i < network->host_list.size(); ++i) {
    const node& x = *network->host_list[i];
    const node& y = *by_frame->host_list[i];
    ASSERT_EQ(netaddr_compare(x.mac, y.mac), 0);
    EXPECT_EQ(x.tx_bytes, y.tx_bytes);
    EXPECT_EQ(x.rx_pkts_sec, y.rx_pkts_sec);
    EXPECT_EQ(x.senders_pos, y.senders_pos);
    EXPECT_EQ(x.receivers_pos, y.receivers_pos);
    EXPECT_EQ(x.ip == nullptr, y.ip == nullptr);
    EXPECT_EQ(x.links_out.count(), y.links_out.count());
  }
}

}  // namespace
}  // namespace nw::test

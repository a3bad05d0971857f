// Links: creation and look-up, the per-link protocol tree, the focus colour and ageing.
#include <algorithm>
#include <vector>

#include "model/addr_index.h"
#include "model/frame_ring.h"
#include "model/linkstat.h"
#include "model_test_support.h"
#include "pdl/pd_model.h"

namespace nw::test {
namespace {

class LinkTest : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    a = node_create(*network, mac_of(0x01));
    b = node_create(*network, mac_of(0x02));
  }
  void TearDown() override {
    link_set_focus(nullptr);
    model_test::TearDown();
  }
  node* a = nullptr;
  node* b = nullptr;
  // Only their identity matters to the link's tree.
  protocol_node x, y, z, p, q;
};

// Hosts and links are found by packed addresses: kinds must stay apart, Token Ring and Ethernet
// addresses compare alike as the chained tables did, and growing must keep every entry.
class AddrIndex : public with_families {};

TEST_F(AddrIndex, KindsStayApartAndEveryEntrySurvivesGrowth) {
  const netaddr mac = make_addr(NETADDR_ETHER, {0, 0, 10, 0, 0, 1});
  const netaddr ip = make_addr(NETADDR_IPV4, {10, 0, 0, 1});
  EXPECT_NE(addr_key(mac), addr_key(ip));
  EXPECT_EQ(addr_key(mac), addr_key(make_addr(NETADDR_TR, {0, 0, 10, 0, 0, 1})));
  EXPECT_EQ(addr_key(netaddr{}), 0U);

  std::vector<int> records(5000);
  addr_index<int> index;
  for (std::size_t i = 0; i < records.size(); ++i) index.put(&records[i], i + 1, i % 7);
  index.put(&records[0], 0);  // no key: ignored
  EXPECT_EQ(index.count(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) ASSERT_EQ(index.find(i + 1, i % 7), &records[i]) << i;
  EXPECT_EQ(index.find(1, 1), nullptr);  // the second key is part of the key
  index.put(&records[9], 1, 0);          // a later record takes the key
  EXPECT_EQ(index.find(1, 0), &records[9]);
  EXPECT_EQ(index.count(), records.size());
}

TEST_F(LinkTest, LinksAreDirectedAndFoundByHardwareOrIpAddress) {
  link* ab = link_create(*a, *b);
  EXPECT_EQ(ab->focus_color, 0);
  EXPECT_EQ(ab->active, 1);
  EXPECT_EQ(ab->links_pos, -1);
  EXPECT_EQ(network->link_count, 1U);
  EXPECT_EQ(link_find(*a, b->mac), ab);
  EXPECT_EQ(link_find(*b, a->mac), nullptr);
  EXPECT_EQ(*b->links_in.find(a->mac), ab);

  // No IP on either end yet: nothing is entered by IP.
  link_add_ip(*a, *b, ab);
  EXPECT_EQ(network->link_index.count(), 1U);
  const std::uint8_t ip_a[] = {10, 0, 0, 1};
  const std::uint8_t ip_b[] = {10, 0, 0, 2};
  node_learn_ip(*a, ip_a);
  node_learn_ip(*b, ip_b);
  EXPECT_EQ(link_add_ip(*a, *b, ab), ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 2)), ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 3)), nullptr);
  EXPECT_EQ(link_find(*a, netaddr{}), nullptr);

  link* ba = link_create(*b, *a);
  EXPECT_NE(ba, ab);
  EXPECT_EQ(link_find(*b, a->mac), ba);
  EXPECT_EQ(network->link_count, 2U);
}

TEST_F(LinkTest, ProtocolTreeMirrorsThePathsSeen) {
  link* l = link_create(*a, *b);
  const std::vector<protocol_node*> empty{nullptr};
  link_proto_count(*l, empty, 100);
  EXPECT_EQ(proto_stat_root(*l), nullptr);

  link_proto_count(*l, std::vector<protocol_node*>{&x, nullptr}, 100);
  link_proto_count(*l, std::vector<protocol_node*>{&x, &y, nullptr}, 200);
  link_proto_count(*l, std::vector<protocol_node*>{&x, &z, nullptr}, 300);
  link_proto_count(*l, std::vector<protocol_node*>{&x, &z}, 1'000'000'000);
  const proto_stat* root = proto_stat_root(*l);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->proto, &x);
  EXPECT_EQ(root->frames, 4U);
  EXPECT_EQ(proto_stat_at(*l, root->sibling), nullptr);
  const proto_stat* ys = proto_stat_at(*l, root->child);
  ASSERT_NE(ys, nullptr);
  EXPECT_EQ(ys->proto, &y);
  EXPECT_EQ(ys->frames, 1U);
  EXPECT_EQ(ys->bytes, 200U);
  const proto_stat* zs = proto_stat_at(*l, ys->sibling);
  ASSERT_NE(zs, nullptr);
  EXPECT_EQ(zs->proto, &z);
  EXPECT_EQ(zs->frames, 2U);
  EXPECT_EQ(zs->bytes, 300U + 1'000'000'000U);
  EXPECT_EQ(proto_stat_at(*l, zs->child), nullptr);
  EXPECT_EQ(link_proto_index(*l, &z), zs);

  // Y reached again under Z: the index keeps the newer node. The new node may move the
  // others, so they are found again by their places.
  link_proto_count(*l, std::vector<protocol_node*>{&x, &z, &y, nullptr}, 10);
  root = proto_stat_root(*l);
  ys = proto_stat_at(*l, root->child);
  zs = proto_stat_at(*l, ys->sibling);
  ASSERT_NE(proto_stat_at(*l, zs->child), nullptr);
  EXPECT_EQ(link_proto_index(*l, &y), proto_stat_at(*l, zs->child));
  EXPECT_EQ(ys->frames, 1U);
  EXPECT_EQ(zs->frames, 3U);
  EXPECT_EQ(proto_stat_at(*l, zs->child)->bytes, 10U);
}

TEST_F(LinkTest, FocusColourGoesToMostBytesEarlierEntryOnATie) {
  link* l = link_create(*a, *b);
  EXPECT_EQ(link_focus_color(*l), -1);  // no focus
  link_proto_count(*l, std::vector<protocol_node*>{&p, nullptr}, 500);
  link_proto_count(*l, std::vector<protocol_node*>{&q, nullptr}, 500);
  protocol_focus focus{{{&x, 9}, {&p, 3}, {&q, 5}}};
  link_set_focus(&focus);
  EXPECT_EQ(link_focus_color(*l), 3);
  link_proto_count(*l, std::vector<protocol_node*>{&q, nullptr}, 1);
  EXPECT_EQ(link_focus_color(*l), 5);
  protocol_focus absent{{{&x, 9}, {&y, 4}}};
  link_set_focus(&absent);
  EXPECT_EQ(link_focus_color(*l), -1);
  protocol_focus no_list;
  link_set_focus(&no_list);
  EXPECT_EQ(link_focus_color(*l), -1);
}

TEST_F(LinkTest, NewLinkKeepsColourZeroUntilThePassThenRecolours) {
  link* l = link_create(*a, *b);
  link_proto_count(*l, std::vector<protocol_node*>{&p, nullptr}, 60);
  protocol_focus focus{{{&p, 12}}};
  link_set_focus(&focus);
  EXPECT_EQ(l->focus_color, 0);
  l->last_seen = at(100);
  model_set_now(at(101));
  net_age(*network);
  EXPECT_EQ(l->focus_color, 12);
  protocol_focus other{{{&p, 20}}};
  link_set_focus(&other);
  net_recolor_links(*network);
  EXPECT_EQ(l->focus_color, 20);
}

TEST_F(LinkTest, AgeingKeepsAReceiverActiveOnlyWhileItsLinkIs) {
  link* l = link_create(*a, *b);
  protocol_focus focus{{{&p, 12}}};
  link_proto_count(*l, std::vector<protocol_node*>{&p, nullptr}, 60);
  link_set_focus(&focus);
  a->last_tx = l->last_seen = at(100);
  l->pkts_sec2 = 7;
  model_set_now(at(104, 999'999));
  net_age(*network);
  EXPECT_EQ(l->active, 1);
  EXPECT_EQ(a->active, 1);
  EXPECT_EQ(b->active, 1);  // never sent: active only through the link
  EXPECT_DOUBLE_EQ(l->pkts_avg.mean, 0.7);

  // Five seconds is not below the link time-out: the link drops and keeps its colour.
  link_set_focus(nullptr);
  model_set_now(at(105));
  net_age(*network);
  EXPECT_EQ(l->active, 0);
  EXPECT_EQ(l->focus_color, 12);
  EXPECT_EQ(a->active, 1);
  EXPECT_EQ(b->active, 0);
}

// A link that has gone idle and whose averages have run down to zero sleeps: passes skip it
// until a frame counts on it again, and then it ages exactly as before.
TEST_F(LinkTest, AnIdleLinkSleepsUntilItsNextFrame) {
  link* l = link_create(*a, *b);
  link* other = link_create(*b, *a);
  ASSERT_EQ(network->awake_links.size(), 2U);
  frame_window_enter(*network, a, b, l, 100, at(10));
  model_set_now(at(10));
  net_age(*network);
  EXPECT_DOUBLE_EQ(l->pkts_avg.mean, 0.1);

  frame_window_enter(*network, b, a, other, 100, at(20));  // l's frame leaves the window
  for (int pass = 0; pass < 9; ++pass) net_age(*network);
  EXPECT_TRUE(network->awake_links.contains(l->number));  // its first sample is still among the last ten
  net_age(*network);
  EXPECT_FALSE(network->awake_links.contains(l->number));
  EXPECT_EQ(network->awake_links.size(), 1U);
  EXPECT_EQ(l->active, 0);
  EXPECT_DOUBLE_EQ(l->pkts_avg.mean, 0.0);

  frame_window_enter(*network, a, b, l, 300, at(21));
  EXPECT_TRUE(network->awake_links.contains(l->number));
  l->active = 1;  // as the frame handler sets it
  net_age(*network);
  EXPECT_DOUBLE_EQ(l->pkts_avg.mean, 0.1);
  EXPECT_DOUBLE_EQ(l->bytes_avg.mean, 30.0);
  EXPECT_EQ(l->active, 1);
  EXPECT_EQ(network->awake_links.size(), 2U);
}

}  // namespace
}  // namespace nw::test

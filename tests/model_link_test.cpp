// Links: creation and look-up, the per-link protocol tree, the focus colour and ageing.
#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <random>
#include <vector>

#include "model/addr_index.h"
#include "model/frame_ring.h"
#include "model/link_mac_index.h"
#include "model/link_table.h"
#include "model/linkstat.h"
#include "model/wake_queue.h"
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
  // One frame over l, as the frame handlers count it: on the link, then along its path.
  static void count(link& l, const std::vector<protocol_node*>& path, std::uint32_t len) {
    l.pkts += 1;
    l.bytes += len;
    link_proto_count(l, path, len);
  }
  std::span<const proto_stat> tree(const link& l) { return link_proto_tree(l, scratch_); }

  node* a = nullptr;
  node* b = nullptr;
  // Only their identity matters to the link's tree.
  protocol_node x, y, z, p, q;

 private:
  std::vector<proto_stat> scratch_;
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
  for (std::size_t i = 0; i < records.size(); ++i) index.put(&records[i], i + 1);
  index.put(&records[0], 0);  // no key: ignored
  EXPECT_EQ(index.count(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) ASSERT_EQ(index.find(i + 1), &records[i]) << i;
  EXPECT_EQ(index.find(records.size() + 1), nullptr);
  index.put(&records[9], 1);  // a later record takes the key
  EXPECT_EQ(index.find(1), &records[9]);
  EXPECT_EQ(index.count(), records.size());
}

// Links are found by both whole addresses (every octet of each, and which is the source), and
// by nothing else; numbers come back whole, the largest included.
TEST_F(AddrIndex, LinksAreFoundByBothWholeHardwareAddresses) {
  link_mac_index index;
  const auto hw = [](std::uint64_t mac) { return ADDR_KIND_HARDWARE << 48 | mac; };
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
  // Enough conversations that the table outgrows its small pages into large ones.
  for (std::uint64_t i = 0; i < 100'000; ++i) {
    const std::uint64_t station = 0x00A0C9000000ULL + i % 400;
    pairs.emplace_back(hw(station), hw(0x00A0C9000000ULL + i / 400));
  }
  pairs.emplace_back(hw(0xFF0000000001ULL), hw(0x000000000001ULL));  // differ in the top octet only
  pairs.emplace_back(hw(0x000000000001ULL), hw(0xFF0000000001ULL));
  pairs.emplace_back(hw(0), hw(0));
  for (std::size_t n = 0; n < pairs.size(); ++n) {
    ASSERT_EQ(index.find(pairs[n].first, pairs[n].second), link_mac_index::NONE) << n;
    index.put(pairs[n].first, pairs[n].second, static_cast<std::uint32_t>(n));
  }
  index.put(hw(0x123456789ABCULL), hw(0xCBA987654321ULL), link_mac_index::NONE - 1);
  for (std::size_t n = 0; n < pairs.size(); ++n) {
    const std::uint32_t found = index.find(pairs[n].first, pairs[n].second);
    ASSERT_NE(found, link_mac_index::NONE) << n;
    ASSERT_EQ(pairs[found], pairs[n]) << n;
  }
  EXPECT_EQ(index.find(hw(0x123456789ABCULL), hw(0xCBA987654321ULL)), link_mac_index::NONE - 1);
  EXPECT_EQ(index.find(hw(0xCBA987654321ULL), hw(0x123456789ABCULL)), link_mac_index::NONE);
  EXPECT_EQ(index.find(hw(0x00A0C9000000ULL), hw(0x00A0C9000000ULL + 300)), link_mac_index::NONE);
  EXPECT_EQ(index.count(), pairs.size() + 1);
}

TEST_F(LinkTest, LinksAreDirectedAndFoundByHardwareOrIpAddress) {
  link* ab = link_create(*a, *b);
  EXPECT_EQ(ab->focus_color, 0);
  EXPECT_TRUE(link_active(*ab));
  EXPECT_EQ(ab->links_pos, -1);
  EXPECT_EQ(network->link_count, 1U);
  EXPECT_EQ(link_find(*a, b->mac), ab);
  EXPECT_EQ(link_find(*b, a->mac), nullptr);
  EXPECT_EQ(a->links_out.count(), 1U);
  EXPECT_EQ(b->links_in.count(), 1U);
  b->links_in.foreach([&](const link* l) { EXPECT_EQ(l, ab); });

  // No IP on either end yet, then on the destination only: nothing is entered by IP.
  const std::uint8_t ip_a[] = {10, 0, 0, 1};
  const std::uint8_t ip_b[] = {10, 0, 0, 2};
  node* c = node_create(*network, mac_of(0x77));  // will claim b's address too
  link* ac = link_create(*a, *c);
  EXPECT_EQ(link_add_ip(*a, *b, *ab), ab);
  node_learn_ip(*b, ip_b);
  node_learn_ip(*c, ip_b);
  link_add_ip(*a, *b, *ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 2)), nullptr);
  node_learn_ip(*a, ip_a);
  link_add_ip(*a, *b, *ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 2)), ab);
  // The first link entered under an address keeps it, though made later than another.
  link_add_ip(*a, *c, *ac);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 2)), ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 3)), nullptr);
  EXPECT_EQ(link_find(*b, ip_of(10, 0, 0, 2)), nullptr);  // from the source only
  EXPECT_EQ(link_find(*a, netaddr{}), nullptr);
  // b forgets its address and learns another: the link is found by both, and the first entry
  // under the old one is still the one found.
  node_clear_ip(*b);
  const std::uint8_t ip_b2[] = {10, 0, 0, 9};
  node_learn_ip(*b, ip_b2);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 9)), nullptr);
  link_add_ip(*a, *b, *ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 9)), ab);
  EXPECT_EQ(link_find(*a, ip_of(10, 0, 0, 2)), ab);
  EXPECT_EQ(network->link_index.count(), 2U);  // by hardware address only

  link* ba = link_create(*b, *a);
  EXPECT_NE(ba, ab);
  EXPECT_EQ(link_find(*b, a->mac), ba);
  EXPECT_EQ(network->link_count, 3U);
}

// A host's links are walked as a chained table of 256 buckets by the other host's address
// would walk them (bucket by bucket, newest first), however walks and new links interleave:
// the map's overdraw and the host report's rows follow that order.
TEST_F(LinkTest, AHostsLinksAreWalkedInTheOrderOfABucketTable) {
  hash_table<netaddr, link*> reference(netaddr_functions);
  std::vector<std::unique_ptr<link>> links;
  small_array_pool pool;
  link_table table;
  const auto walked = [&] {
    std::vector<const link*> mine, theirs;
    table.foreach([&](const link* l) { mine.push_back(l); });
    ht_foreach(reference, [&](const netaddr&, link* l) { theirs.push_back(l); });
    return std::pair{mine, theirs};
  };
  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) {
    // Many addresses share a bucket; walks come after one link, after a few, after 1,500 and
    // twice in a row.
    const netaddr other = mac_of(static_cast<std::uint8_t>(i % 251), static_cast<std::uint8_t>(i / 251));
    links.push_back(std::make_unique<link>());
    table.add(pool, other, links.back().get());
    reference.push_front(other, links.back().get());
    if (i < 5 || (i < 1000 && rng() % 40 == 0) || i == 2500) {
      const auto [mine, theirs] = walked();
      ASSERT_EQ(mine, theirs) << "after link " << i;
      ASSERT_EQ(walked().first, theirs);
    }
  }
  EXPECT_EQ(table.count(), 3000U);
  EXPECT_EQ(walked().first, walked().second);
}

TEST_F(LinkTest, ProtocolTreeMirrorsThePathsSeen) {
  link* l = link_create(*a, *b);
  const std::vector<protocol_node*> empty{nullptr};
  count(*l, empty, 100);
  EXPECT_EQ(proto_stat_root(tree(*l)), nullptr);

  count(*l, std::vector<protocol_node*>{&x, nullptr}, 100);
  count(*l, std::vector<protocol_node*>{&x, &y, nullptr}, 200);
  count(*l, std::vector<protocol_node*>{&x, &z, nullptr}, 300);
  count(*l, std::vector<protocol_node*>{&x, &z}, 1'000'000'000);
  const proto_stat* root = proto_stat_root(tree(*l));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->proto, &x);
  EXPECT_EQ(root->frames, 4U);
  EXPECT_EQ(proto_stat_at(tree(*l), root->sibling), nullptr);
  const proto_stat* ys = proto_stat_at(tree(*l), root->child);
  ASSERT_NE(ys, nullptr);
  EXPECT_EQ(ys->proto, &y);
  EXPECT_EQ(ys->frames, 1U);
  EXPECT_EQ(ys->bytes, 200U);
  const proto_stat* zs = proto_stat_at(tree(*l), ys->sibling);
  ASSERT_NE(zs, nullptr);
  EXPECT_EQ(zs->proto, &z);
  EXPECT_EQ(zs->frames, 2U);
  EXPECT_EQ(zs->bytes, 300U + 1'000'000'000U);
  EXPECT_EQ(proto_stat_at(tree(*l), zs->child), nullptr);
  EXPECT_EQ(link_proto_index(tree(*l), &z), zs);

  // Y reached again under Z: the index keeps the newer node. The new node may move the
  // others, so they are found again by their places.
  count(*l, std::vector<protocol_node*>{&x, &z, &y, nullptr}, 10);
  root = proto_stat_root(tree(*l));
  ys = proto_stat_at(tree(*l), root->child);
  zs = proto_stat_at(tree(*l), ys->sibling);
  ASSERT_NE(proto_stat_at(tree(*l), zs->child), nullptr);
  EXPECT_EQ(link_proto_index(tree(*l), &y), proto_stat_at(tree(*l), zs->child));
  EXPECT_EQ(ys->frames, 1U);
  EXPECT_EQ(zs->frames, 3U);
  EXPECT_EQ(proto_stat_at(tree(*l), zs->child)->bytes, 10U);

  // A fifth and sixth node; the others may move, so they are found again by their places.
  count(*l, std::vector<protocol_node*>{&x, &p, &q, nullptr}, 7);
  count(*l, std::vector<protocol_node*>{&x, &p, &q, nullptr}, 8);
  EXPECT_EQ(tree(*l).size(), 6U);
  root = proto_stat_root(tree(*l));
  EXPECT_EQ(root->frames, 7U);
  ys = proto_stat_at(tree(*l), root->child);
  zs = proto_stat_at(tree(*l), ys->sibling);
  const proto_stat* ps = proto_stat_at(tree(*l), zs->sibling);
  ASSERT_NE(ps, nullptr);
  EXPECT_EQ(ps->proto, &p);
  EXPECT_EQ(ps->frames, 2U);
  const proto_stat* qs = proto_stat_at(tree(*l), ps->child);
  ASSERT_NE(qs, nullptr);
  EXPECT_EQ(qs->bytes, 15U);
  EXPECT_EQ(link_proto_index(tree(*l), &q), qs);
  EXPECT_EQ(link_proto_index(tree(*l), &y), proto_stat_at(tree(*l), zs->child));
}

TEST_F(LinkTest, FocusColourGoesToMostBytesEarlierEntryOnATie) {
  link* l = link_create(*a, *b);
  EXPECT_EQ(link_focus_color(*l), -1);  // no focus
  count(*l, std::vector<protocol_node*>{&p, nullptr}, 500);
  count(*l, std::vector<protocol_node*>{&q, nullptr}, 500);
  protocol_focus focus{{{&x, 9}, {&p, 3}, {&q, 5}}};
  link_set_focus(&focus);
  EXPECT_EQ(link_focus_color(*l), 3);
  count(*l, std::vector<protocol_node*>{&q, nullptr}, 1);
  EXPECT_EQ(link_focus_color(*l), 5);
  protocol_focus absent{{{&x, 9}, {&y, 4}}};
  link_set_focus(&absent);
  EXPECT_EQ(link_focus_color(*l), -1);
  protocol_focus no_list;
  link_set_focus(&no_list);
  EXPECT_EQ(link_focus_color(*l), -1);
}

// A link whose frames all took one path keeps no tree of its own, yet reads as the tree it
// would have built, and builds that tree with the right counts when another path (or none)
// comes. The reference link counts a frame without a path first, which makes it keep a tree
// from its first frame on; after it, both see the same frames, prefixes and empty paths
// included, and must read alike after each.
TEST_F(LinkTest, ALinkOfOnePathReadsAsTheTreeItWouldHaveBuilt) {
  const std::vector<std::vector<protocol_node*>> paths = {
      {&x, &y, &z, nullptr}, {&x, &y, nullptr}, {&x, &p, nullptr}, {&q, nullptr}, {nullptr}, {&x, &y, &z}};
  protocol_focus focus{{{&p, 3}, {&z, 4}, {&y, 5}}};
  link_set_focus(&focus);
  node* c = node_create(*network, mac_of(0x03));
  std::mt19937 rng(3);
  for (int trial = 0; trial < 40; ++trial) {
    link* l = link_create(*a, *c);
    link* reference = link_create(*b, *c);
    count(*reference, paths[4], 0);  // its own tree from the next frame on
    const auto one_path_frames = static_cast<std::size_t>(trial % 5);  // frames before the first other path
    for (std::size_t frame = 0; frame < 12; ++frame) {
      const auto& path = frame <= one_path_frames ? paths[trial % 2 == 0 ? 0 : 5] : paths[rng() % paths.size()];
      const auto len = static_cast<std::uint32_t>(60 + rng() % 1400);
      count(*l, path, len);
      count(*reference, path, len);
      ASSERT_EQ(reference->one_path, 0U);
      if (frame <= one_path_frames) {
        EXPECT_TRUE(l->proto_nodes.empty());  // no tree of its own yet
      }
      std::vector<proto_stat> scratch;
      const std::span<const proto_stat> mine = link_proto_tree(*l, scratch);
      const std::span<const proto_stat> theirs = tree(*reference);
      ASSERT_EQ(mine.size(), theirs.size()) << "trial " << trial << " frame " << frame;
      for (std::size_t k = 0; k < mine.size(); ++k) {
        EXPECT_EQ(mine[k].proto, theirs[k].proto);
        EXPECT_EQ(mine[k].frames, theirs[k].frames) << "trial " << trial << " frame " << frame << " node " << k;
        EXPECT_EQ(mine[k].bytes, theirs[k].bytes);
        EXPECT_EQ(mine[k].sibling, theirs[k].sibling);
        EXPECT_EQ(mine[k].child, theirs[k].child);
      }
      for (const protocol_node* proto : {&x, &y, &z, &p, &q})
        EXPECT_EQ(link_proto_index(mine, proto) == nullptr, link_proto_index(theirs, proto) == nullptr);
      EXPECT_EQ(link_focus_color(*l), link_focus_color(*reference));
    }
    c = node_create(*network, mac_of(static_cast<std::uint8_t>(0x10 + trial)));
  }
}

TEST_F(LinkTest, NewLinkKeepsColourZeroUntilThePassThenRecolours) {
  link* l = link_create(*a, *b);
  count(*l, std::vector<protocol_node*>{&p, nullptr}, 60);
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
  count(*l, std::vector<protocol_node*>{&p, nullptr}, 60);
  link_set_focus(&focus);
  a->last_tx = l->last_seen = b->last_rx = at(100);  // as the frame sets them
  l->pkts_sec2 = 7;
  model_set_now(at(104, 999'999));
  net_age(*network);
  EXPECT_TRUE(link_active(*l));
  EXPECT_EQ(a->active, 1);
  EXPECT_EQ(b->active, 1);  // never sent: active only through what it received
  EXPECT_DOUBLE_EQ(link_avg(*l).frames, 0.7);

  // Five seconds is not below the link time-out: the link drops and keeps its colour.
  link_set_focus(nullptr);
  model_set_now(at(105));
  net_age(*network);
  EXPECT_FALSE(link_active(*l));
  EXPECT_EQ(l->focus_color, 12);
  EXPECT_EQ(a->active, 1);
  EXPECT_EQ(b->active, 0);
}

// Moments pushed in no order across neighbouring buckets, far ahead, and again for records
// already queued (later ones: a record's time-out only moves on): each record wakes on the first
// pass at or after the first moment pushed for it since it last woke, and on no other.
TEST(WakeQueue, RecordsWakeOnTheFirstPassAtOrAfterTheirEarliestMoment) {
  wake_queue queue;
  std::mt19937 rng(11);
  constexpr std::uint32_t RECORDS = 300;
  std::map<std::uint32_t, std::int64_t> due;  // by record: the moment it must wake at
  std::vector<std::int64_t> last_pushed(RECORDS, 0);
  std::int64_t now_us = 5'000'000;
  for (int pass = 0; pass < 400; ++pass) {
    for (int push = 0; push < 60; ++push) {
      const auto number = static_cast<std::uint32_t>(rng() % RECORDS);
      // Mostly within the next two buckets, as a pass's time-outs fall; now and then seconds
      // ahead, and now and then further than the queue's 256 remembered buckets span.
      const auto kind = rng() % 20;
      std::int64_t at_us = now_us + static_cast<std::int64_t>(kind == 0   ? rng() % 30'000'000
                                                               : kind < 3 ? rng() % 3'000'000
                                                                          : rng() % 70'000);
      at_us = std::max(at_us, last_pushed[number]);
      last_pushed[number] = at_us;
      queue.push(at_us, number);
      due.try_emplace(number, at_us);
    }
    now_us += 20'000 + static_cast<std::int64_t>(rng() % 30'000);
    awake_set woken;
    woken.reserve_numbers(RECORDS);
    queue.wake_due(now_us, woken);
    for (std::uint32_t number = 0; number < RECORDS; ++number) {
      const auto it = due.find(number);
      const bool expected = it != due.end() && it->second <= now_us;
      ASSERT_EQ(woken.contains(number), expected) << "pass " << pass << " record " << number;
      if (expected) due.erase(it);
      ASSERT_EQ(queue.queued(number), due.contains(number)) << "pass " << pass << " record " << number;
    }
  }
}

// Links and hosts sleep from the pass after their last change until a frame comes, a frame of
// theirs leaves the window, or (hosts) their time-out is due or the map clears their flag; a
// link's time-out is judged without a visit. Whatever sleeps, each pass must leave every link
// and host, and every mean, as a pass that visits every one would, and a link must be active
// between passes as such a pass and the frames since make it (a time-out of 0 too): a second
// network fed the same frames, with all its links and hosts woken before each pass, is the
// reference. Every mean must also be that of the record's last-second counters at its last ten
// passes, recounted here. One host only receives: receiving wakes a host only when no time-out
// of its own is queued.
TEST_F(LinkTest, SleepingLinksAndHostsAgeExactlyAsThoseVisitedEveryPass) {
  net* reference = net_new(adapter_desc{"eth1", "reference", NETTYPE_ETHERNET});
  constexpr int HOSTS = 7;  // the last one never sends
  std::vector<node*> mine, theirs;
  for (int i = 0; i < HOSTS; ++i) {
    mine.push_back(i < 2 ? (i == 0 ? a : b) : node_create(*network, mac_of(static_cast<std::uint8_t>(i + 1))));
    theirs.push_back(node_create(*reference, mac_of(static_cast<std::uint8_t>(i + 1))));
  }
  protocol_focus focus{{{&y, 3}, {&z, 4}}};
  const std::vector<protocol_node*> paths[] = {{&x, &y, nullptr}, {&x, &z, nullptr}, {&x, nullptr}};
  // One frame as the handler counts it, on both networks.
  const auto deliver = [&](net& n, std::vector<node*>& hosts, int from, int to, std::uint32_t len, int path,
                           capture_time t) {
    node& s = *hosts[static_cast<std::size_t>(from)];
    node& d = *hosts[static_cast<std::size_t>(to)];
    link* l = carry(s, d, len);
    s.active = d.active = l->active = 1;
    link_proto_count(*l, paths[path], len);
    frame_window_enter(n, &s, &d, l, len, t);
  };
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> sender(0, HOSTS - 2), host(0, HOSTS - 1), path(0, 2), percent(0, 99);
  std::int64_t now_us = std::int64_t{1'700'000'000} * 1'000'000;
  std::size_t slept = 0, hosts_slept = 0;
  // Each record's last-second counters at every pass since it was made.
  using counts = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  std::map<const void*, counts> at_passes;
  const auto recount = [](const counts& c) {
    std::uint64_t frames = 0, bytes = 0;
    for (std::size_t i = c.size() > 10 ? c.size() - 10 : 0; i < c.size(); ++i) {
      frames += c[i].first;
      bytes += c[i].second;
    }
    return moving_means{static_cast<double>(frames) / 10.0, static_cast<double>(bytes) / 10.0};
  };
  for (int pass = 0; pass < 3000; ++pass) {
    // Bursts, lulls and silences longer than every time-out.
    const int mood = (pass / 150) % 4;
    const int frames = mood == 0 ? percent(rng) % 6 : mood == 1 && percent(rng) < 10 ? 1 : 0;
    for (int f = 0; f < frames; ++f) {
      const int from = sender(rng);
      int to = host(rng);
      if (from == to) to = (to + 1) % HOSTS;
      const std::uint32_t len = 60 + static_cast<std::uint32_t>(percent(rng)) * 14;
      const int chosen = path(rng);
      now_us += 1 + percent(rng) * 50;
      const capture_time t{static_cast<std::int32_t>(now_us / 1'000'000), static_cast<std::int32_t>(now_us % 1'000'000)};
      deliver(*network, mine, from, to, len, chosen, t);
      deliver(*reference, theirs, from, to, len, chosen, t);
    }
    // Between passes too, a link is active as the reference's flag says.
    for (std::size_t k = 0; k < network->links.size(); ++k)
      ASSERT_EQ(link_active(network->links[k]), reference->links[k].active == 1) << "before pass " << pass << " link " << k;
    now_us += 33'000;
    const capture_time t{static_cast<std::int32_t>(now_us / 1'000'000), static_cast<std::int32_t>(now_us % 1'000'000)};
    // A silent live segment: the window moves on by the clock.
    frame_window_idle(*network, t);
    frame_window_idle(*reference, t);
    if (pass == 1000) link_set_focus(&focus);
    if (pass == 2000) model_settings().link_timeout_s = 2;
    if (pass == 2420) model_settings().link_timeout_s = 0;  // inactive at the first pass after each frame
    if (pass == 2500) model_settings().link_timeout_s = 7;
    if (pass == 2700) model_settings().node_timeout_s = 3;
    // The map drew a host and cleared its flag.
    if (pass % 40 == 7) mine[2]->active = theirs[2]->active = 0, network->awake_hosts.wake(mine[2]->number);
    reference->awake_links.wake_all(static_cast<std::uint32_t>(reference->links.size()));
    reference->awake_hosts.wake_all(static_cast<std::uint32_t>(reference->hosts_made.size()));
    net_age(*network);
    net_age(*reference);
    slept += network->links.size() - network->awake_links.size();
    hosts_slept += network->hosts_made.size() - network->awake_hosts.size();
    network->links.for_each([&](const link& l) { at_passes[&l].emplace_back(l.pkts_sec2, l.bytes_sec2); });
    for (const node* h : mine) at_passes[h].emplace_back(h->tx_pkts_sec2, h->tx_bytes_sec2);
    ASSERT_EQ(network->links.size(), reference->links.size());
    for (std::size_t k = 0; k < network->links.size(); ++k) {
      const link& l = network->links[k];
      const link& r = reference->links[k];
      ASSERT_EQ(link_active(l), r.active == 1) << "pass " << pass << " link " << k;
      ASSERT_EQ(l.focus_color, r.focus_color) << "pass " << pass << " link " << k;
      // An active link shows the colour its protocols give under the focus now.
      if (link_active(l)) {
        ASSERT_EQ(l.focus_color, link_focus_color(l)) << "pass " << pass << " link " << k;
      }
      ASSERT_EQ(link_avg(l).frames, link_avg(r).frames) << "pass " << pass << " link " << k;
      ASSERT_EQ(link_avg(l).bytes, link_avg(r).bytes) << "pass " << pass << " link " << k;
      ASSERT_EQ(link_avg(l).frames, recount(at_passes[&l]).frames) << "pass " << pass << " link " << k;
      ASSERT_EQ(link_avg(l).bytes, recount(at_passes[&l]).bytes) << "pass " << pass << " link " << k;
    }
    for (int i = 0; i < HOSTS; ++i) {
      const node& h = *mine[static_cast<std::size_t>(i)];
      const node& r = *theirs[static_cast<std::size_t>(i)];
      ASSERT_EQ(h.active, r.active) << "pass " << pass << " host " << i;
      ASSERT_EQ(node_tx_avg(h).frames, node_tx_avg(r).frames) << "pass " << pass << " host " << i;
      ASSERT_EQ(node_tx_avg(h).bytes, node_tx_avg(r).bytes) << "pass " << pass << " host " << i;
      ASSERT_EQ(node_tx_avg(h).bytes, recount(at_passes[&h]).bytes) << "pass " << pass << " host " << i;
    }
  }
  // The saving is real: most visits of the run were skipped.
  EXPECT_GT(slept, network->links.size() * 3000 / 2);
  EXPECT_GT(hosts_slept, network->hosts_made.size() * 3000 / 2);
}

}  // namespace
}  // namespace nw::test

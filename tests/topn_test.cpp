// The rankings: admission to a full list, ties, moves, sorting, the list read-out, the four kinds,
// and a long random run against a plain-vector model of the same rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "stats/alarm_topn.h"
#include "stats/host_topn.h"
#include "stats/link_topn.h"
#include "stats/recv_topn.h"
#include "stats/topn.h"

namespace nw {
namespace {

struct test_host {
  std::string name;
  std::uint64_t tx_bytes = 0;
  std::uint64_t rx_bytes = 0;
  std::int32_t senders_pos = -1;
  std::int32_t receivers_pos = -1;
};

std::string node_best_label(const test_host& host) { return host.name; }

struct test_link {
  test_host* src = nullptr;
  test_host* dst = nullptr;
  std::uint64_t bytes = 0;
  std::int32_t links_pos = -1;
};

struct test_alarm {
  std::vector<int> hits;
  std::string message;
  std::int32_t rank_index = -1;
};

using host_ranking = topn<test_host>;

// Hosts h0, h1, ... sending the given byte counts; the vector is never resized, so the
// rankings' references stay valid.
std::vector<test_host> hosts_sending(const std::vector<std::uint64_t>& tx) {
  std::vector<test_host> hosts(tx.size());
  for (std::size_t i = 0; i < tx.size(); ++i) {
    hosts[i] = {"h" + std::to_string(i), tx[i], 0, -1, -1};
  }
  return hosts;
}

const test_host& entry(const host_ranking& ranking, std::int32_t i) {
  return *ranking.entries[static_cast<std::size_t>(i)];
}

std::vector<std::string> ranked_names(const host_ranking& ranking) {
  std::vector<std::string> names;
  for (std::int32_t i = 0; i < ranking.count; ++i) names.push_back(entry(ranking, i).name);
  return names;
}

// Every entry's position is its index; every other host's position is -1.
void expect_positions_consistent(const host_ranking& ranking, const std::vector<test_host>& hosts) {
  ASSERT_LE(ranking.count, TOPN_SIZE);
  for (const test_host& host : hosts) {
    const auto begin = ranking.entries.begin();
    const auto end = begin + ranking.count;
    const auto found = std::find(begin, end, &host);
    const std::int32_t expected = found == end ? -1 : static_cast<std::int32_t>(found - begin);
    EXPECT_EQ(host.senders_pos, expected) << host.name;
  }
}

void expect_non_increasing(const host_ranking& ranking) {
  for (std::int32_t i = 1; i < ranking.count; ++i) {
    EXPECT_GE(entry(ranking, i - 1).tx_bytes, entry(ranking, i).tx_bytes) << "entry " << i;
  }
}

TEST(TopnAdmission, EmptyRankingPutsTheFirstItemAtTheTop) {
  host_ranking ranking = host_topn_create<test_host>();
  EXPECT_EQ(ranking.capacity, TOPN_SIZE);
  test_host host{"only", 0, 0, -1, -1};
  EXPECT_EQ(topn_insert(ranking, host), 0);
  EXPECT_EQ(ranking.count, 1);
  EXPECT_EQ(host.senders_pos, 0);
}

TEST(TopnAdmission, FullListRefusesAnEqualItemUntilItExceedsTheLast) {
  host_ranking ranking = host_topn_create<test_host>();
  std::vector<test_host> hosts = hosts_sending(std::vector<std::uint64_t>(51, 0));
  for (std::size_t i = 0; i < 50; ++i) topn_offer(ranking, hosts[i]);
  ASSERT_EQ(ranking.count, 50);
  EXPECT_EQ(hosts[49].senders_pos, 49);  // equal values rank in the order offered

  test_host& late = hosts[50];
  EXPECT_EQ(topn_insert(ranking, late), -1);
  topn_offer(ranking, late);  // touched again at the same value: still refused
  EXPECT_EQ(late.senders_pos, -1);
  EXPECT_EQ(ranking.count, 50);

  late.tx_bytes = 1;
  topn_offer(ranking, late);
  EXPECT_EQ(late.senders_pos, 0);
  EXPECT_EQ(hosts[49].senders_pos, -1);  // the last entry dropped out
  EXPECT_EQ(ranking.count, 50);
  expect_positions_consistent(ranking, hosts);
}

TEST(TopnAdmission, LargerItemTakesItsPlaceInAFullList) {
  std::vector<std::uint64_t> tx;
  for (std::uint64_t i = 0; i < 50; ++i) tx.push_back(1000 - 10 * i);  // 1000, 990, ..., 510
  tx.push_back(755);
  std::vector<test_host> hosts = hosts_sending(tx);
  host_ranking ranking = host_topn_create<test_host>();
  for (std::size_t i = 0; i < 50; ++i) topn_offer(ranking, hosts[i]);

  EXPECT_EQ(topn_insert(ranking, hosts[50]), 25);  // between 760 and 750
  EXPECT_EQ(ranking.count, 50);
  EXPECT_EQ(hosts[49].senders_pos, -1);
  EXPECT_EQ(hosts[25].senders_pos, 26);
  expect_non_increasing(ranking);
  expect_positions_consistent(ranking, hosts);
}

TEST(TopnAdmission, EqualItemGoesBelowTheEntriesItEquals) {
  std::vector<test_host> hosts = hosts_sending({9, 5, 1, 5, 5});
  host_ranking ranking = host_topn_create<test_host>();
  for (std::size_t i = 0; i < 3; ++i) topn_offer(ranking, hosts[i]);
  EXPECT_EQ(topn_insert(ranking, hosts[3]), 2);  // below h1, above h2
  EXPECT_EQ(topn_insert(ranking, hosts[4]), 3);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h0", "h1", "h3", "h4", "h2"}));
  topn_sort(ranking);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h0", "h1", "h3", "h4", "h2"}));
}

TEST(TopnAdmission, ValuesAbove4GiBAreComparedWhole) {
  // 5 GiB truncated to 32 bits would be 1 GiB and rank below the host just under 4 GiB.
  std::vector<test_host> hosts = hosts_sending({0xFFFFFFFFULL, 5ULL << 30});
  host_ranking ranking = host_topn_create<test_host>();
  topn_offer(ranking, hosts[0]);
  topn_offer(ranking, hosts[1]);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h1", "h0"}));
  topn_list list;
  topn_get_list(ranking, list);
  EXPECT_EQ(list[0].value, 5ULL << 30);
}

TEST(TopnMoves, UpdateOnlyMovesAnItemUpAndIgnoresTheTopAndUnranked) {
  std::vector<test_host> hosts = hosts_sending({40, 30, 20, 10, 0});
  host_ranking ranking = host_topn_create<test_host>();
  for (std::size_t i = 0; i < 4; ++i) topn_offer(ranking, hosts[i]);

  hosts[0].tx_bytes = 1000;
  topn_update(ranking, hosts[0]);  // already at the top
  hosts[1].tx_bytes = 5;           // now smaller than the entries below: stays put
  topn_update(ranking, hosts[1]);
  hosts[4].tx_bytes = 500;  // never offered: update must not admit it
  topn_update(ranking, hosts[4]);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h0", "h1", "h2", "h3"}));
  EXPECT_EQ(hosts[4].senders_pos, -1);

  hosts[3].tx_bytes = 35;  // passes h2 and h1 (5) but not h0
  topn_update(ranking, hosts[3]);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h0", "h3", "h1", "h2"}));
  expect_positions_consistent(ranking, hosts);
}

TEST(TopnMoves, SortOrdersCountersThatGrewWithoutUpdates) {
  std::vector<test_host> hosts = hosts_sending({50, 40, 30, 20, 10, 0});
  host_ranking ranking = host_topn_create<test_host>();
  for (test_host& host : hosts) topn_offer(ranking, host);
  hosts[5].tx_bytes = 45;
  hosts[3].tx_bytes = 100;
  hosts[2].tx_bytes = 40;  // ties h1, which ranked first
  topn_sort(ranking);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h3", "h0", "h5", "h1", "h2", "h4"}));
  expect_positions_consistent(ranking, hosts);
}

TEST(TopnMoves, ClearingLeavesPositionsWhichThenMisleadNeitherOfferNorUpdate) {
  std::vector<test_host> hosts = hosts_sending({30, 20, 10});
  host_ranking ranking = host_topn_create<test_host>();
  for (test_host& host : hosts) topn_offer(ranking, host);
  topn_clear(ranking);
  EXPECT_EQ(ranking.count, 0);
  EXPECT_EQ(hosts[2].senders_pos, 2);

  // h2 still says 2: the offer must insert it, not move it through the dead slots.
  hosts[2].tx_bytes = 99;
  topn_offer(ranking, hosts[2]);
  EXPECT_EQ(ranking.count, 1);
  EXPECT_EQ(hosts[2].senders_pos, 0);
  // h1 says 1, a dead slot that still refers to it; swapping it above h2 would rank it
  // in place of h2 without an insert.
  hosts[1].tx_bytes = 200;
  topn_update(ranking, hosts[1]);
  EXPECT_EQ(ranked_names(ranking), (std::vector<std::string>{"h2"}));
  EXPECT_EQ(hosts[2].senders_pos, 0);

  // Refused by a full list, h0 loses its left-over position.
  std::vector<test_host> fresh = hosts_sending(std::vector<std::uint64_t>(50, 1000));
  for (std::size_t i = 0; i < 49; ++i) topn_offer(ranking, fresh[i]);
  ASSERT_EQ(ranking.count, TOPN_SIZE);
  EXPECT_EQ(hosts[0].senders_pos, 0);
  topn_offer(ranking, hosts[0]);
  EXPECT_EQ(hosts[0].senders_pos, -1);
}

TEST(TopnList, ShortListEndsWithATerminatorAndFullListFillsAllFifty) {
  std::vector<std::uint64_t> tx;
  for (std::uint64_t i = 0; i < 50; ++i) tx.push_back(100 - i);
  std::vector<test_host> hosts = hosts_sending(tx);
  host_ranking ranking = host_topn_create<test_host>();
  for (std::size_t i = 0; i < 3; ++i) topn_offer(ranking, hosts[i]);

  topn_list list;
  list.fill({"stale", 7});
  topn_get_list(ranking, list);
  EXPECT_EQ(list[0].label, "h0");
  EXPECT_EQ(list[2].label, "h2");
  EXPECT_EQ(list[2].value, 98U);
  EXPECT_EQ(list[3].label, "");
  EXPECT_EQ(list[3].value, 0U);
  EXPECT_EQ(list[4].label, "stale");  // nothing written past the terminator

  for (std::size_t i = 3; i < 50; ++i) topn_offer(ranking, hosts[i]);
  list.fill({"stale", 7});
  topn_get_list(ranking, list);
  for (std::size_t i = 0; i < 50; ++i) {
    EXPECT_EQ(list[i].label, hosts[i].name);
    EXPECT_EQ(list[i].value, hosts[i].tx_bytes);
  }
}

TEST(TopnKinds, SendersAndReceiversKeepTheirOwnPositionsInOneHost) {
  std::vector<test_host> hosts = {{"alpha", 10, 1, -1, -1}, {"beta", 1, 10, -1, -1}};
  host_ranking senders = host_topn_create<test_host>();
  host_ranking receivers = recv_topn_create<test_host>();
  for (test_host& host : hosts) {
    topn_offer(senders, host);
    topn_offer(receivers, host);
  }
  EXPECT_EQ(hosts[0].senders_pos, 0);
  EXPECT_EQ(hosts[0].receivers_pos, 1);
  EXPECT_EQ(hosts[1].senders_pos, 1);
  EXPECT_EQ(hosts[1].receivers_pos, 0);
  topn_list list;
  topn_get_list(receivers, list);
  EXPECT_EQ(list[0].label, "beta");
  EXPECT_EQ(list[0].value, 10U);
}

TEST(TopnKinds, LinkIsLabelledBySourceAndDestinationNames) {
  test_host a{"alpha", 0, 0, -1, -1};
  test_host b{"10.0.0.2", 0, 0, -1, -1};
  std::vector<test_link> links = {{&a, &b, 64, -1}, {&b, &a, 1500, -1}};
  topn<test_link> ranking = link_topn_create<test_link>();
  for (test_link& link : links) topn_offer(ranking, link);
  EXPECT_EQ(links[1].links_pos, 0);
  topn_list list;
  topn_get_list(ranking, list);
  EXPECT_EQ(list[0].label, "10.0.0.2, alpha");
  EXPECT_EQ(list[0].value, 1500U);
  EXPECT_EQ(list[1].label, "alpha, 10.0.0.2");
}

TEST(TopnKinds, AlarmRanksByItsHitsAndShowsItsMessage) {
  std::vector<test_alarm> alarms = {{{}, "never fired", -1}, {{1, 2, 3}, "fired thrice", -1}};
  topn<test_alarm> ranking = alarm_topn_create<test_alarm>();
  for (test_alarm& alarm : alarms) topn_offer(ranking, alarm);
  EXPECT_EQ(alarms[1].rank_index, 0);
  EXPECT_EQ(alarms[0].rank_index, 1);
  alarms[0].hits.assign(4, 0);
  topn_offer(ranking, alarms[0]);
  topn_list list;
  topn_get_list(ranking, list);
  EXPECT_EQ(list[0].label, "never fired");
  EXPECT_EQ(list[0].value, 4U);
  EXPECT_EQ(list[1].value, 3U);
}

// The same rules over a plain vector of host numbers, positions derived rather than stored.
struct reference_ranking {
  std::vector<std::size_t> ids;

  void offer(const std::vector<test_host>& hosts, std::size_t id) {
    const auto value = [&](std::size_t k) { return hosts[ids[k]].tx_bytes; };
    const auto found = std::find(ids.begin(), ids.end(), id);
    if (found != ids.end()) {
      auto k = static_cast<std::size_t>(found - ids.begin());
      for (; k > 0 && value(k - 1) < value(k); --k) std::swap(ids[k - 1], ids[k]);
      return;
    }
    const std::uint64_t v = hosts[id].tx_bytes;
    if (!ids.empty() && hosts[ids.back()].tx_bytes >= v) {
      if (ids.size() < TOPN_SIZE) ids.push_back(id);
      return;
    }
    if (ids.size() == TOPN_SIZE) ids.pop_back();
    std::size_t k = ids.size();
    while (k > 0 && value(k - 1) < v) --k;  // upward from the bottom, past smaller entries
    ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(k), id);
  }

  void sort(const std::vector<test_host>& hosts) {
    const auto larger = [&](std::size_t a, std::size_t b) {
      return hosts[a].tx_bytes > hosts[b].tx_bytes;
    };
    std::stable_sort(ids.begin(), ids.end(), larger);
  }
};

void expect_same_as_reference(const host_ranking& ranking, const reference_ranking& reference,
                              const std::vector<test_host>& hosts, int step) {
  ASSERT_EQ(static_cast<std::size_t>(ranking.count), reference.ids.size()) << "step " << step;
  for (std::size_t k = 0; k < reference.ids.size(); ++k) {
    ASSERT_EQ(ranking.entries[k], &hosts[reference.ids[k]]) << "step " << step << " entry " << k;
  }
  std::vector<std::int32_t> expected(hosts.size(), -1);
  for (std::size_t k = 0; k < reference.ids.size(); ++k) {
    expected[reference.ids[k]] = static_cast<std::int32_t>(k);
  }
  for (std::size_t h = 0; h < hosts.size(); ++h) {
    ASSERT_EQ(hosts[h].senders_pos, expected[h]) << "step " << step << " host " << h;
  }
}

// Byte counts that only grow: mostly by a frame, sometimes by nothing (ties), now and then by
// a burst that carries the busiest hosts past 4 GiB.
std::uint64_t growth(std::mt19937_64& rng) {
  const std::uint64_t kind = rng() % 100;
  if (kind < 30) return 0;
  if (kind < 95) return 60 + rng() % 1455;
  return rng() % (1ULL << 31);
}

TEST(TopnRandom, OffersAndSortsMatchTheReferenceAfterEveryStep) {
  std::mt19937_64 rng(20240611);
  std::vector<test_host> hosts = hosts_sending(std::vector<std::uint64_t>(300, 0));
  host_ranking ranking = host_topn_create<test_host>();
  reference_ranking reference;
  int refused = 0;
  int admitted_after_refusal = 0;
  std::vector<bool> was_refused(hosts.size(), false);

  for (int step = 0; step < 20000; ++step) {
    if (rng() % 50 == 0) {
      topn_sort(ranking);
      reference.sort(hosts);
      expect_non_increasing(ranking);
    } else {
      // A third of the traffic comes from twenty busy hosts, so ranked items move often.
      const std::size_t id = rng() % 3 == 0 ? rng() % 20 : rng() % hosts.size();
      hosts[id].tx_bytes += growth(rng);
      const bool full = ranking.count == TOPN_SIZE;
      const std::uint64_t last = ranking.count > 0 ? entry(ranking, ranking.count - 1).tx_bytes : 0;
      const bool ranked = hosts[id].senders_pos != -1;
      topn_offer(ranking, hosts[id]);
      reference.offer(hosts, id);
      // The offer contract, independent of the model: an unranked host gets in unless the
      // list is full and the host is not above the last entry.
      if (!ranked) {
        const bool should_enter = !full || hosts[id].tx_bytes > last;
        ASSERT_EQ(hosts[id].senders_pos != -1, should_enter) << "step " << step;
        if (!should_enter) ++refused;
        if (should_enter && was_refused[id]) ++admitted_after_refusal;
        was_refused[id] = !should_enter;
      }
    }
    expect_same_as_reference(ranking, reference, hosts, step);
    if (HasFatalFailure()) return;
  }
  // The run must have reached the cases it exists for.
  EXPECT_GT(refused, 100);
  EXPECT_GT(admitted_after_refusal, 10);
}

}  // namespace
}  // namespace nw

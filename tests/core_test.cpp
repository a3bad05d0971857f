// The shared containers and arithmetic: hash table, queue, moving average, capture times.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/hashtable.h"
#include "core/hutil.h"
#include "core/large_table_allocator.h"
#include "core/message.h"
#include "core/q.h"
#include "core/record_blocks.h"
#include "core/settings_store.h"
#include "core/small_array_pool.h"
#include "core/table_reserve.h"
#include "core/timer.h"
#include "core/warm_blocks.h"

namespace nw {
namespace {

using text_table = hash_table<std::string, int>;

std::vector<std::pair<std::string, int>> entries_in_order(const text_table& table) {
  std::vector<std::pair<std::string, int>> seen;
  ht_foreach(table, [&](const std::string& k, int v) { seen.emplace_back(k, v); });
  return seen;
}

TEST(HashTable, InsertTwiceKeepsOneEntryWithTheSecondValue) {
  text_table table(ht_text_functions);
  EXPECT_EQ(ht_insert(table, std::string("eth0"), 1), 0);
  EXPECT_EQ(ht_insert(table, std::string("eth0"), 2), 1);
  EXPECT_EQ(table.count(), 1U);
  int value = 0;
  ASSERT_EQ(ht_lookup(table, std::string("eth0"), &value), 1);
  EXPECT_EQ(value, 2);
}

TEST(HashTable, LookupOfAMissingKeyLeavesTheOutputAlone) {
  text_table table(ht_text_functions);
  ht_insert(table, std::string("a"), 1);
  int value = 77;
  EXPECT_EQ(ht_lookup(table, std::string("b"), &value), 0);
  EXPECT_EQ(value, 77);
}

TEST(HashTable, InsertCopyReplacesTheStoredCopy) {
  hash_table<std::string, std::string> table(ht_text_functions);
  std::string first = "first";
  EXPECT_EQ(ht_insert_copy(table, std::string("k"), first), 0);
  first = "changed by the caller";
  EXPECT_EQ(*table.find("k"), "first");  // the table kept a copy, not the caller's text
  EXPECT_EQ(ht_insert_copy(table, std::string("k"), std::string("second")), 1);
  EXPECT_EQ(*table.find("k"), "second");
  EXPECT_EQ(table.count(), 1U);
}

TEST(HashTable, RemoveUnlinksHeadMiddleAndTailOfAChain) {
  // Under the identity hash, keys 256 apart share one chain.
  hash_table<std::uint32_t, int> table(
      {[](const std::uint32_t& k) { return k; },
       [](const std::uint32_t& a, const std::uint32_t& b) { return a == b ? 0 : 1; }});
  for (std::uint32_t k : {0U, 256U, 512U, 768U}) ht_insert(table, k, static_cast<int>(k));
  EXPECT_EQ(ht_remove(table, 1024U), 0);
  EXPECT_EQ(table.count(), 4U);
  EXPECT_EQ(ht_remove(table, 768U), 1);  // head (newest)
  EXPECT_EQ(ht_remove(table, 256U), 1);  // middle
  EXPECT_EQ(ht_remove(table, 0U), 1);    // tail (oldest)
  EXPECT_EQ(table.count(), 1U);
  EXPECT_NE(table.find(512U), nullptr);
  EXPECT_EQ(table.find(256U), nullptr);
  // The chain's last entry gone, its bucket is empty and takes new entries in order.
  EXPECT_EQ(ht_remove(table, 512U), 1);
  EXPECT_EQ(ht_remove(table, 512U), 0);
  ht_insert(table, 1U, 1);
  ht_insert(table, 256U, 2);
  std::vector<std::uint32_t> keys;
  ht_foreach(table, [&](const std::uint32_t& k, int) { keys.push_back(k); });
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{256U, 1U}));
}

TEST(HashTable, ForeachRunsBucketsInOrderAndChainsNewestFirst) {
  hash_table<std::uint32_t, int> table(
      {[](const std::uint32_t& k) { return k; },
       [](const std::uint32_t& a, const std::uint32_t& b) { return a == b ? 0 : 1; }});
  ht_insert(table, 5U, 1);
  ht_insert(table, 261U, 2);  // same bucket as 5, inserted later: found first
  ht_insert(table, 3U, 3);
  ht_insert(table, 0xFFFFFFFFU, 4);  // bucket 255
  std::vector<std::uint32_t> keys;
  ht_foreach(table, [&](const std::uint32_t& k, int) { keys.push_back(k); });
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{3U, 261U, 5U, 0xFFFFFFFFU}));
}

TEST(HashTable, TextHashSignExtendsHighBitCharacters) {
  EXPECT_EQ(ht_text_hash(""), 0U);
  EXPECT_EQ(ht_text_hash("A"), 0x41U);
  EXPECT_EQ(ht_text_hash("AB"), (0x41U << 2) ^ 0x42U);
  // 0xE9 as a signed octet is -23, that is 0xFFFFFFE9 after sign extension.
  EXPECT_EQ(ht_text_hash("\xE9"), 0xFFFFFFE9U);
  EXPECT_EQ(ht_text_hash("a\xE9"), (0x61U << 2) ^ 0xFFFFFFE9U);
}

TEST(HashTable, ManyKeysStayReachable) {
  text_table table(ht_text_functions);
  for (int i = 0; i < 5000; ++i) ht_insert(table, std::to_string(i), i);
  EXPECT_EQ(table.count(), 5000U);
  for (int i = 0; i < 5000; i += 97) {
    int v = -1;
    ASSERT_EQ(ht_lookup(table, std::to_string(i), &v), 1);
    EXPECT_EQ(v, i);
  }
  EXPECT_EQ(entries_in_order(table).size(), 5000U);
}

// Past a few entries look-ups go through an index (unless the table keeps none); removals,
// growth and the chains' order must stay as a plain 256-chain table has them.
TEST(HashTable, LargeTablesKeepChainOrderThroughGrowthAndRemoval) {
  for (const ht_lookups lookups : {ht_lookups::indexed, ht_lookups::by_chain}) {
    SCOPED_TRACE(lookups == ht_lookups::indexed ? "indexed" : "by chain");
    hash_table<std::uint32_t, int> table(
        {[](const std::uint32_t& k) { return k * 2654435761U; },
         [](const std::uint32_t& a, const std::uint32_t& b) { return a == b ? 0 : 1; }},
        lookups);
    std::vector<std::uint32_t> inserted;
    for (std::uint32_t k = 0; k < 3000; ++k) {
      ht_insert(table, k * 7, static_cast<int>(k));
      inserted.push_back(k * 7);
    }
    for (std::uint32_t k = 0; k < 3000; k += 3) EXPECT_EQ(ht_remove(table, k * 7), 1);
    EXPECT_EQ(ht_remove(table, 1U), 0);
    EXPECT_EQ(table.count(), 2000U);
    for (std::uint32_t k = 0; k < 3000; ++k) {
      int v = -1;
      EXPECT_EQ(ht_lookup(table, k * 7, &v), k % 3 == 0 ? 0 : 1) << k;
      if (k % 3 != 0) {
        EXPECT_EQ(v, static_cast<int>(k));
      }
    }
    // Reference order: bucket by bucket, newest first within a bucket.
    std::vector<std::uint32_t> expected;
    for (std::uint32_t bucket = 0; bucket < 256; ++bucket) {
      for (auto it = inserted.rbegin(); it != inserted.rend(); ++it) {
        if ((*it / 7) % 3 != 0 && (*it * 2654435761U) % 256 == bucket) expected.push_back(*it);
      }
    }
    std::vector<std::uint32_t> walked;
    ht_foreach(table, [&](const std::uint32_t& k, int) { walked.push_back(k); });
    EXPECT_EQ(walked, expected);
  }
}

TEST(Queue, IsFirstInFirstOut) {
  q<int> queue;
  int out = -1;
  EXPECT_EQ(q_get(queue, &out), 0);
  EXPECT_EQ(out, -1);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(q_put(queue, i), 1);
  std::vector<int> walked;
  q_foreach(queue, [&](int v) { walked.push_back(v); });
  EXPECT_EQ(walked, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(q_get(queue, &out), 1);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(q_put(queue, 4), 1);
  EXPECT_EQ(q_count(queue), 3U);
  q_free(queue);
  EXPECT_EQ(q_get(queue, &out), 0);
}

// The averages against a plain recount of each record's value at each of its last ten passes,
// with records made at different passes and sampled only on the passes after their value
// changed (as their owners visit them) or told that it fell to zero, and now and then on a pass
// without a change (a time-out visit): the samples a record missed, and a mean read between its
// samples, must be what sampling it on every pass would give.
TEST(MovingAverage, MeansAreThoseOfEachRecordsValueAtItsLastTenPasses) {
  moving_avg_pairs averages;
  struct record {
    std::uint32_t number;
    std::vector<std::uint64_t> values;  // at each pass since it was made
    std::uint64_t value = 0;
    bool changed = false;
  };
  std::vector<record> records;
  std::uint32_t seed = 7;
  const auto random = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int pass = 0; pass < 200; ++pass) {
    for (int made = 0; pass % 7 == 0 && made < 3; ++made) records.push_back({averages.add_record(), {}, 0, false});
    averages.next_slot();
    for (record& r : records) {
      if (r.changed || random() % 9 == 0) averages.add(r.number, r.value, r.value * 1'000'000'000ULL);
      r.changed = false;
      r.values.push_back(r.value);
      std::uint64_t sum = 0;
      for (std::size_t i = r.values.size() > 10 ? r.values.size() - 10 : 0; i < r.values.size(); ++i) sum += r.values[i];
      const moving_means means = averages.means(r.number);
      ASSERT_EQ(means.frames, static_cast<double>(sum) / 10.0) << "pass " << pass << " record " << r.number;
      ASSERT_EQ(means.bytes, static_cast<double>(sum * 1'000'000'000ULL) / 10.0);
      // Bursts and silences: some values hold for a pass or two, others for dozens. A value
      // that falls to zero is mostly left to the record (as a window emptying its last second
      // does), and may rise and fall again before the pass.
      for (int change = 0; change < 3 && random() % (pass % 50 < 25 ? 3 : 40) == 0; ++change) {
        r.value = random() % 3 == 0 ? 0 : random() % 1000;
        if (r.value == 0 && random() % 4 != 0) {
          averages.zero_next_pass(r.number);
        } else {
          r.changed = true;
        }
      }
    }
  }
}

// Tables below a huge page come from the ordinary heap; larger ones start on a huge page's
// boundary. Either way a table keeps what it holds as it grows through the threshold and back.
TEST(LargeTableAllocator, TablesKeepTheirContentsAcrossTheHugePageThreshold) {
  std::vector<std::uint64_t, large_table_allocator<std::uint64_t>> table;
  for (std::uint64_t i = 0; i < HUGE_PAGE_BYTES / sizeof(std::uint64_t) * 3; ++i) {
    table.push_back(i * 0x9E3779B97F4A7C15ULL);
    if (table.size() == table.capacity() && table.capacity() * sizeof(std::uint64_t) >= HUGE_PAGE_BYTES) {
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(table.data()) % HUGE_PAGE_BYTES, 0U) << table.size();
    }
  }
  for (std::uint64_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], i * 0x9E3779B97F4A7C15ULL) << i;
  table.resize(10);
  table.shrink_to_fit();  // back to a small table
  EXPECT_EQ(table.back(), 9 * 0x9E3779B97F4A7C15ULL);
}

// A prepared array is the taker's whole and on a huge page's boundary, once; a size
// never asked for, or given up for another, is not handed out; a take that races the helper
// gets a finished array or none; an array still held when the reserve goes is freed with it.
TEST(TableReserve, PreparedArraysAreWholeAndTakenOnce) {
  constexpr std::size_t SMALL = 2 * HUGE_PAGE_BYTES;
  constexpr std::size_t LARGE = 16 * HUGE_PAGE_BYTES;
  table_reserve reserve;
  EXPECT_EQ(reserve.take(SMALL), nullptr);
  // A take before the helper has begun cancels the ask: ask again until it comes.
  const auto prepared = [&](std::size_t bytes) {
    void* array = nullptr;
    for (int tries = 0; tries < 500 && array == nullptr; ++tries) {
      reserve.prepare(bytes);
      reserve.prepare(bytes);  // asked again: still one array
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      array = reserve.take(bytes);
    }
    return array;
  };
  void* array = prepared(SMALL);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(array) % HUGE_PAGE_BYTES, 0U);
  EXPECT_EQ(reserve.take(SMALL), nullptr);
  std::memset(array, 0xA5, SMALL);  // all of it is the taker's
  std::free(array);
  reserve.prepare(SMALL);
  reserve.prepare(LARGE);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(reserve.take(SMALL), nullptr);
  array = reserve.take(LARGE);  // most likely waits for the helper
  if (array != nullptr) std::memset(array, 0xA5, LARGE);
  std::free(array);
  reserve.prepare(SMALL);  // left for the reserve to free
}

// The helper keeps the reserve filled; every block is whole, aligned and distinct, whether it
// was ready or made on the spot, and blocks ready or out at the end are given up cleanly.
TEST(WarmBlocks, TakersGetWholeDistinctBlocksAndTheHelperRefills) {
  constexpr std::size_t KEPT = 8;
  warm_blocks reserve(KEPT);
  std::vector<void*> taken{reserve.take()};  // starts the helper
  const auto ready_within = [&](std::size_t count) {
    for (int wait = 0; wait < 500 && reserve.ready() < count; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return reserve.ready() >= count;
  };
  ASSERT_TRUE(ready_within(KEPT));
  for (std::size_t i = 0; i < 3 * KEPT; ++i) taken.push_back(reserve.take());  // more than are ready
  ASSERT_TRUE(ready_within(KEPT / 2));  // refilled after falling below half
  std::set<std::uintptr_t> starts;
  for (void* block : taken) {
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    EXPECT_EQ(at % WARM_BLOCK_ALIGN, 0U);
    std::memset(block, 0xA5, WARM_BLOCK_BYTES);  // the whole block is the taker's
    starts.insert(at);
  }
  EXPECT_EQ(starts.size(), taken.size());
  for (std::size_t i = 1; i < taken.size(); ++i)
    EXPECT_EQ(static_cast<const unsigned char*>(taken[i - 1])[WARM_BLOCK_BYTES - 1], 0xA5);
  for (void* block : taken) warm_blocks::give_back(block);
}

// Arrays in use never overlap and are aligned to a cache line, whatever mix of sizes is taken
// (so that blocks end with room too small for the next array); an array given back serves the
// next of its size, and the room a block had left serves smaller ones.
TEST(SmallArrayPool, ArraysAreDistinctAlignedAndReused) {
  small_array_pool pool;
  std::map<std::uintptr_t, std::size_t> in_use;  // start: bytes
  const auto take = [&](std::size_t bytes) {
    auto* array = static_cast<unsigned char*>(pool.take(bytes));
    const auto at = reinterpret_cast<std::uintptr_t>(array);
    EXPECT_EQ(at % SMALL_ARRAY_BYTES_MIN, 0U);
    const auto next = in_use.lower_bound(at);
    if (next != in_use.end()) {
      EXPECT_LE(at + bytes, next->first) << bytes;
    }
    if (next != in_use.begin()) {
      EXPECT_LE(std::prev(next)->first + std::prev(next)->second, at) << bytes;
    }
    std::memset(array, 0xA5, bytes);
    in_use[at] = bytes;
    return array;
  };
  const auto give_back = [&](unsigned char* array) {
    const auto at = in_use.find(reinterpret_cast<std::uintptr_t>(array));
    pool.give_back(array, at->second);
    in_use.erase(at);
  };
  std::mt19937 rng(5);
  std::vector<unsigned char*> kept;
  for (int i = 0; i < 2000; ++i) {
    kept.push_back(take(SMALL_ARRAY_BYTES_MIN << rng() % 7));
    if (rng() % 3 == 0) {
      const std::size_t k = rng() % kept.size();
      give_back(kept[k]);
      kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(k));
    }
  }
  unsigned char* returned = take(256);
  give_back(returned);
  EXPECT_EQ(take(256), returned);
  unsigned char* large = take(2 * SMALL_ARRAY_BYTES_MAX);  // from the heap, given back to it
  give_back(large);
}

// Records in warm blocks start as their type's default whatever the block held before, and go
// once each when their blocks go.
TEST(RecordBlocks, RecordsAreDefaultAndDestroyedOnceEach) {
  static int alive = 0;
  struct alignas(64) probe {
    std::int32_t state = -1;
    std::uint64_t value = 0;
    std::vector<int> owned{1, 2, 3};
    probe() { ++alive; }
    probe(const probe&) = delete;
    probe& operator=(const probe&) = delete;
    ~probe() { --alive; }
  };
  static_assert(sizeof(probe) * 1024 == WARM_BLOCK_BYTES);
  {
    // Blocks given back dirty, so that the records' blocks may well be reused ones.
    std::vector<void*> dirty;
    for (int i = 0; i < 16; ++i) dirty.push_back(warm_blocks::shared().take());
    for (void* block : dirty) std::memset(block, 0x5A, WARM_BLOCK_BYTES), warm_blocks::give_back(block);
    record_blocks<probe, 1024> records;
    for (int i = 0; i < 1500; ++i) {
      probe& p = records.add();
      ASSERT_EQ(p.state, -1);
      ASSERT_EQ(p.value, 0U);
      ASSERT_EQ(p.owned.size(), 3U);
      p.value = static_cast<std::uint64_t>(i);
    }
    records.reserve(2000);
    EXPECT_EQ(records.size(), 1500U);
    EXPECT_EQ(records[1499].value, 1499U);
    EXPECT_EQ(alive, 2 * 1024);  // whole blocks are made
  }
  EXPECT_EQ(alive, 0);
}

TEST(Elapsed, BorrowsMicrosecondsAndRefusesNegativeIntervals) {
  EXPECT_EQ(elapsed_ms({10, 900'000}, {11, 100'000}), 200U);
  EXPECT_EQ(elapsed_ms({11, 100'000}, {10, 900'000}), 0U);
  EXPECT_EQ(elapsed_us({10, 0}, {11, 1}), 1'000'001U);
  EXPECT_EQ(elapsed_us({10, 5}, {10, 4}), 0U);
  EXPECT_EQ(elapsed_us({10, 5}, {10, 5}), 0U);
  EXPECT_EQ(elapsed_ms({0, 0}, {0, 999}), 0U);  // whole milliseconds only
  // 4295 s is past 2^32 microseconds: the result wraps instead of overflowing.
  EXPECT_EQ(elapsed_us({0, 0}, {4295, 0}), static_cast<std::uint32_t>(4'295'000'000ULL));
}

TEST(MessageHook, RoutesToTheInstalledHookAndBack) {
  std::vector<message> seen;
  message_set_hook([&](const message& m) { seen.push_back(m); });
  message_show({message_format("Could not open %s for parsing", "x.pdl"), "Nodewren",
                message_icon::exclamation});
  message_set_hook(nullptr);
  ASSERT_EQ(seen.size(), 1U);
  EXPECT_EQ(seen[0].text, "Could not open x.pdl for parsing");
  EXPECT_EQ(seen[0].icon, message_icon::exclamation);
}

}  // namespace
}  // namespace nw

TEST(SettingsStore, WrongFormCountsAsMissingAndWordBlocksRoundTrip) {
  nw::memory_settings s;
  s.write_dword("snaplen", 128);
  EXPECT_FALSE(s.read_text("snaplen").has_value());
  EXPECT_FALSE(s.read_binary("snaplen").has_value());
  EXPECT_EQ(s.read_dword("snaplen"), 128u);
  EXPECT_FALSE(s.read_dword("absent").has_value());

  const std::vector<std::uint32_t> words{1, 0, 0x01020304u, 0xffffffffu};
  auto block = nw::settings_pack_words(words);
  ASSERT_EQ(block.size(), 16u);
  EXPECT_EQ(block[8], 0x04);  // little-endian
  EXPECT_EQ(block[11], 0x01);
  EXPECT_EQ(nw::settings_unpack_words(block, 4), words);
  block.pop_back();
  EXPECT_FALSE(nw::settings_unpack_words(block, 4).has_value());
}

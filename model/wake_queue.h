// Records asleep until a moment of capture time. The ageing pass wakes those whose moment has
// come. A record is queued once: a later moment for a record already queued waits until the
// earlier one wakes it, since waking early costs only a visit that queues it again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "model/awake_set.h"

namespace nw {

// Moments are kept in buckets of about one pass of capture time. A pass pushes the time-outs of
// what it visited into a few dozen buckets some seconds ahead, and wakes whole buckets: no heap
// of hundreds of thousands of moments to sift through cold memory on every push and pop.
class wake_queue {
 public:
  void push(std::int64_t at_us, std::uint32_t number) {
    if (queued_.contains(number)) return;
    queued_.reserve_numbers(number + 1);
    bucket_of(at_us >> BUCKET_BITS).push_back(entry{at_us, number});
    queued_.wake(number);
  }
  [[nodiscard]] bool queued(std::uint32_t number) const { return queued_.contains(number); }
  // Wakes every record queued for now_us or before.
  void wake_due(std::int64_t now_us, awake_set& awake) {
    for (auto it = buckets_.begin(); it != buckets_.end() && it->first <= now_us >> BUCKET_BITS;) {
      std::vector<entry>& entries = it->second;
      std::size_t kept = 0;
      for (const entry& e : entries) {
        if (e.at_us <= now_us) {
          awake.wake(e.number);
          queued_.sleep(e.number);
        } else {
          entries[kept++] = e;  // later in the bucket than now
        }
      }
      entries.resize(kept);
      if (!entries.empty()) break;  // the bucket of now: every later one starts after now
      if (spare_count_ < spare_.size()) spare_[spare_count_++] = std::move(entries);
      known_bucket& known = known_[static_cast<std::size_t>(it->first) % known_.size()];
      if (known.key == it->first) known = known_bucket{};
      it = buckets_.erase(it);
    }
  }
  void clear() {
    known_ = {};
    buckets_.clear();
    spare_count_ = 0;
    queued_ = {};
  }

 private:
  static constexpr int BUCKET_BITS = 15;  // 32.768 ms
  struct entry {
    std::int64_t at_us;
    std::uint32_t number;
  };
  // The bucket of key, made when there is none.
  std::vector<entry>& bucket_of(std::int64_t key) {
    known_bucket& known = known_[static_cast<std::size_t>(key) % known_.size()];
    if (known.entries != nullptr && known.key == key) return *known.entries;
    const auto [it, made] = buckets_.try_emplace(key);
    if (made && spare_count_ > 0) it->second = std::move(spare_[--spare_count_]);
    known = known_bucket{key, &it->second};
    return it->second;
  }

  std::map<std::int64_t, std::vector<entry>> buckets_;
  // The buckets pushed to, by key modulo their number, so that a push seldom searches the map:
  // a pass pushes its moments into some dozens of buckets (a host's moment is five or ten seconds
  // after its last frame, which lies within the last second), within a span of under 256.
  struct known_bucket {
    std::int64_t key = 0;
    std::vector<entry>* entries = nullptr;
  };
  std::array<known_bucket, 256> known_{};
  // Emptied buckets' arrays, kept for the buckets that follow: a busy pass fills one with tens of
  // thousands of moments, and a fresh array would grow to that size again, copy by copy.
  std::array<std::vector<entry>, 4> spare_;
  std::size_t spare_count_ = 0;
  awake_set queued_;
};

}  // namespace nw

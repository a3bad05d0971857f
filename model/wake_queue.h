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
// what it visited, nearly all of them into the same bucket or two, and wakes whole buckets: no
// heap of hundreds of thousands of moments to sift through cold memory on every push and pop.
class wake_queue {
 public:
  void push(std::int64_t at_us, std::uint32_t number) {
    if (queued_.contains(number)) return;
    queued_.reserve_numbers(number + 1);
    const std::int64_t key = at_us >> BUCKET_BITS;
    if (recent_[0].entries == nullptr || key != recent_[0].key) {
      if (recent_[1].entries != nullptr && key == recent_[1].key) {
        std::swap(recent_[0], recent_[1]);
      } else {
        const auto [it, made] = buckets_.try_emplace(key);
        if (made && spare_count_ > 0) it->second = std::move(spare_[--spare_count_]);
        recent_[1] = std::exchange(recent_[0], recent_bucket{key, &it->second});
      }
    }
    recent_[0].entries->push_back(entry{at_us, number});
    queued_.wake(number);
  }
  [[nodiscard]] bool queued(std::uint32_t number) const { return queued_.contains(number); }
  // Wakes every record queued for now_us or before.
  void wake_due(std::int64_t now_us, awake_set& awake) {
    recent_ = {};  // their buckets may go
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
      it = buckets_.erase(it);
    }
  }
  void clear() {
    recent_ = {};
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
  std::map<std::int64_t, std::vector<entry>> buckets_;
  // The two buckets pushed to last, the latest first: a pass pushes nearly all its moments into
  // the two its 33 ms straddle, in no order between them.
  struct recent_bucket {
    std::int64_t key = 0;
    std::vector<entry>* entries = nullptr;
  };
  std::array<recent_bucket, 2> recent_{};
  // Emptied buckets' arrays, kept for the buckets that follow: a busy pass fills one with tens of
  // thousands of moments, and a fresh array would grow to that size again, copy by copy.
  std::array<std::vector<entry>, 4> spare_;
  std::size_t spare_count_ = 0;
  awake_set queued_;
};

}  // namespace nw

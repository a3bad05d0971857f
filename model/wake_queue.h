// Records asleep until a moment of capture time. The ageing pass wakes those whose moment has
// come. A record is queued once: a later moment for a record already queued waits until the
// earlier one wakes it, since waking early costs only a visit that queues it again.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

#include "model/awake_set.h"

namespace nw {

class wake_queue {
 public:
  void push(std::int64_t at_us, std::uint32_t number) {
    if (queued_.contains(number)) return;
    queued_.reserve_numbers(number + 1);
    queued_.wake(number);
    heap_.push(entry{at_us, number});
  }
  // Wakes every record queued for now_us or before.
  void wake_due(std::int64_t now_us, awake_set& awake) {
    while (!heap_.empty() && heap_.top().at_us <= now_us) {
      awake.wake(heap_.top().number);
      queued_.sleep(heap_.top().number);
      heap_.pop();
    }
  }
  void clear() {
    heap_ = {};
    queued_ = {};
  }

 private:
  struct entry {
    std::int64_t at_us;
    std::uint32_t number;
    bool operator>(const entry& other) const { return at_us > other.at_us; }
  };
  std::priority_queue<entry, std::vector<entry>, std::greater<>> heap_;
  awake_set queued_;
};

}  // namespace nw

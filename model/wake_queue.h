// Records asleep until a moment of capture time. The ageing pass wakes those whose moment has
// come; a record may be queued more than once, and waking it early costs only a visit that
// finds nothing to do.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

#include "model/awake_set.h"

namespace nw {

class wake_queue {
 public:
  void push(std::int64_t at_us, std::uint32_t number) { heap_.push(entry{at_us, number}); }
  // Wakes every record queued for now_us or before.
  void wake_due(std::int64_t now_us, awake_set& awake) {
    while (!heap_.empty() && heap_.top().at_us <= now_us) {
      awake.wake(heap_.top().number);
      heap_.pop();
    }
  }
  void clear() { heap_ = {}; }

 private:
  struct entry {
    std::int64_t at_us;
    std::uint32_t number;
    bool operator>(const entry& other) const { return at_us > other.at_us; }
  };
  std::priority_queue<entry, std::vector<entry>, std::greater<>> heap_;
};

}  // namespace nw

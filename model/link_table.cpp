#include "model/link_table.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/hashtable.h"

namespace nw {
namespace {

constexpr std::uint32_t FIRST_CAPACITY = 4;  // one cache line

}  // namespace

link_table::~link_table() {
  if (pool_ != nullptr) pool_->give_back(entries_, capacity_ * sizeof(entry));
}

void link_table::reserve_one(small_array_pool& pool) {
  if (size_ < capacity_) return;
  const std::uint32_t capacity = capacity_ == 0 ? FIRST_CAPACITY : 2 * capacity_;
  auto* bigger = static_cast<entry*>(pool.take(capacity * sizeof(entry)));
  if (size_ != 0) std::memcpy(bigger, entries_, size_ * sizeof(entry));
  if (pool_ != nullptr) pool_->give_back(entries_, capacity_ * sizeof(entry));
  entries_ = bigger;
  capacity_ = capacity;
  pool_ = &pool;
}

void link_table::add(small_array_pool& pool, const netaddr& other, link* l) {
  reserve_one(pool);
  entries_[size_++] = entry{l, netaddr_hash(other) % static_cast<std::uint32_t>(HT_BUCKETS)};
}

// Links arrive with every new conversation, and a host's links are walked only when it is drawn
// or reported: adding is a push onto the end, and a walk first puts the links added since the
// last one in their place, so a host that got no link since is walked as it is.
void link_table::order() const {
  if (ordered_ == size_) return;
  const auto by_bucket = [](const entry& a, const entry& b) { return a.bucket < b.bucket; };
  entry* const begin = entries_;
  entry* const end = entries_ + size_;
  entry* const added = entries_ + ordered_;
  std::reverse(added, end);  // newest first within a bucket
  std::stable_sort(added, end, by_bucket);
  // The added links come first on equal buckets: merge them as the first range.
  std::rotate(begin, added, end);
  std::inplace_merge(begin, begin + (size_ - ordered_), end, by_bucket);
  ordered_ = size_;
}

}  // namespace nw

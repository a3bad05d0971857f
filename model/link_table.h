// A host's links in one direction, walked in the order of a 256-bucket hash table by the other
// host's hardware address: bucket 0 to 255, each bucket newest first. The map draws links in
// that order (a later line covers an earlier one) and the host report lists them so.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/hashtable.h"
#include "core/netaddr.h"
#include "core/prefetch.h"

namespace nw {

struct link;

class link_table {
 public:
  // Room for one more link, so that the next add does not allocate.
  void reserve_one() {
    if (entries_.size() == entries_.capacity()) entries_.reserve(std::max<std::size_t>(4, 2 * entries_.capacity()));
  }
  // Adds a link whose other host's hardware address is `other`; never the same one twice.
  void add(const netaddr& other, link* l) {
    entries_.push_back(entry{l, netaddr_hash(other) % static_cast<std::uint32_t>(HT_BUCKETS)});
  }
  [[nodiscard]] std::uint32_t count() const { return static_cast<std::uint32_t>(entries_.size()); }
  // Starts loading where the next add writes.
  void preload_end() const {
    if (entries_.size() < entries_.capacity()) cache_preload(entries_.data() + entries_.size());
  }
  // fn(link*) in bucket order; callers hold the model lock, under which the order is put right.
  template <typename Fn>
  void foreach (Fn&& fn) const {
    order();
    for (const entry& e : entries_) fn(e.lnk);
  }

 private:
  struct entry {
    link* lnk;
    std::uint32_t bucket;
  };
  // Links arrive with every new conversation, and a host's links are walked only when it is
  // drawn or reported: adding is a push onto the end, and a walk first puts the links added
  // since the last one in their place, so a host that got no link since is walked as it is.
  void order() const {
    if (ordered_ == entries_.size()) return;
    const auto by_bucket = [](const entry& a, const entry& b) { return a.bucket < b.bucket; };
    const auto added = entries_.begin() + static_cast<std::ptrdiff_t>(ordered_);
    std::reverse(added, entries_.end());  // newest first within a bucket
    std::stable_sort(added, entries_.end(), by_bucket);
    // The added links come first on equal buckets: merge them as the first range.
    std::rotate(entries_.begin(), added, entries_.end());
    const auto older = entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - ordered_);
    std::inplace_merge(entries_.begin(), older, entries_.end(), by_bucket);
    ordered_ = entries_.size();
  }

  mutable std::vector<entry> entries_;
  mutable std::size_t ordered_ = 0;  // entries_ before this are in walking order
};

}  // namespace nw

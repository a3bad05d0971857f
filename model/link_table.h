// A host's links in one direction, walked in the order of a 256-bucket hash table by the other
// host's hardware address: bucket 0 to 255, each bucket newest first. The map draws links in
// that order (a later line covers an earlier one) and the host report lists them so.
#pragma once

#include <cstdint>

#include "core/netaddr.h"
#include "core/prefetch.h"
#include "core/small_array_pool.h"

namespace nw {

struct link;

class link_table {
 public:
  link_table() = default;
  ~link_table();
  link_table(const link_table&) = delete;
  link_table& operator=(const link_table&) = delete;

  // Room for one more link, so that the next add does not allocate. A table's arrays come from
  // one pool, which outlives it.
  void reserve_one(small_array_pool& pool);
  // Adds a link whose other host's hardware address is `other`; never the same one twice.
  void add(small_array_pool& pool, const netaddr& other, link* l);
  [[nodiscard]] std::uint32_t count() const { return size_; }
  // Starts loading where the next add writes.
  void preload_end() const {
    if (size_ < capacity_) cache_preload(entries_ + size_);
  }
  // fn(link*) in bucket order; callers hold the model lock, under which the order is put right.
  template <typename Fn>
  void foreach (Fn&& fn) const {
    order();
    for (std::uint32_t i = 0; i < size_; ++i) fn(entries_[i].lnk);
  }

 private:
  struct entry {
    link* lnk;
    std::uint32_t bucket;
  };
  void order() const;

  entry* entries_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
  mutable std::uint32_t ordered_ = 0;  // entries_ before this are in walking order
  // The pool an array too large for it is given back through when the table goes.
  small_array_pool* pool_ = nullptr;
};

}  // namespace nw

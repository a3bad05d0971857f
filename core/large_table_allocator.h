// An allocator for large tables read at random, one entry here and one there (the link index
// every frame probes, the averages' pending passes): tables of 2 MiB and more are placed in
// transparent huge pages where the kernel offers them, so that an entry's address translation
// is one of a few dozen cached ones instead of a page walk. A table that knows it will grow soon
// has its next array prepared off its thread (prepare).
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

#include "core/table_reserve.h"

namespace nw {

inline constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{1} << 21;

template <typename T>
struct large_table_allocator {
  using value_type = T;
  large_table_allocator() = default;
  template <typename U>
  explicit large_table_allocator(const large_table_allocator<U>&) {}

  // The next allocation of n entries will find its array faulted in, if it is a large one.
  static void prepare(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= HUGE_PAGE_BYTES) table_reserve::shared().prepare(whole_huge_pages(bytes));
  }

  T* allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < HUGE_PAGE_BYTES) return static_cast<T*>(::operator new(bytes, std::align_val_t{alignof(T)}));
    if (void* prepared = table_reserve::shared().take(whole_huge_pages(bytes))) return static_cast<T*>(prepared);
    void* p = std::aligned_alloc(HUGE_PAGE_BYTES, whole_huge_pages(bytes));
    if (p == nullptr) throw std::bad_alloc();
    (void)madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without it the table works as well, in small pages
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) < HUGE_PAGE_BYTES) {
      ::operator delete(p, std::align_val_t{alignof(T)});
    } else {
      std::free(p);
    }
  }
  [[nodiscard]] static std::size_t whole_huge_pages(std::size_t bytes) {
    return (bytes + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES;
  }

  friend bool operator==(const large_table_allocator&, const large_table_allocator&) { return true; }
};

}  // namespace nw

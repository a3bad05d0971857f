// Counting replacements of the global allocation functions, for the binaries that prove a path
// allocates nothing or measure what records cost. Include it in exactly one file of a binary.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace nw::test {

inline std::atomic<std::uint64_t> allocation_count{0};
inline std::atomic<std::uint64_t> allocated_bytes{0};
// When not negative, how many more allocations succeed; the ones after fail.
inline std::atomic<std::int64_t> allocations_before_failure{-1};

}  // namespace nw::test

namespace {

bool allocation_refused() noexcept {
  std::int64_t left = nw::test::allocations_before_failure.load();
  while (left >= 0) {
    if (left == 0) return true;
    if (nw::test::allocations_before_failure.compare_exchange_weak(left, left - 1)) return false;
  }
  return false;
}

void* counted_malloc(std::size_t size) noexcept {
  if (allocation_refused()) return nullptr;
  nw::test::allocation_count.fetch_add(1, std::memory_order_relaxed);
  nw::test::allocated_bytes.fetch_add(size, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void* counted_aligned(std::size_t size, std::align_val_t alignment) noexcept {
  if (allocation_refused()) return nullptr;
  nw::test::allocation_count.fetch_add(1, std::memory_order_relaxed);
  nw::test::allocated_bytes.fetch_add(size, std::memory_order_relaxed);
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;  // aligned_alloc wants a multiple
  return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}

void* or_throw(void* block) {
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

// Every form below allocates with malloc, so free is the right release: the compiler cannot see
// that through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) { return or_throw(counted_malloc(size)); }
void* operator new[](std::size_t size) { return or_throw(counted_malloc(size)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_malloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_malloc(size); }
void* operator new(std::size_t size, std::align_val_t a) { return or_throw(counted_aligned(size, a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return or_throw(counted_aligned(size, a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return counted_aligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return counted_aligned(size, a);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

#pragma GCC diagnostic pop

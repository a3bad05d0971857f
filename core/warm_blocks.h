// Blocks of memory whose pages a helper thread has already touched, for records that live as
// long as their network. The first touch of a page costs a fault and the kernel's zeroing of
// 4 KiB: where thousands of conversations start each second, that is a large share of the
// capture thread's time, spent here on another core ahead of need instead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace nw {

inline constexpr std::size_t WARM_BLOCK_BYTES = std::size_t{1} << 16;
inline constexpr std::size_t WARM_BLOCK_ALIGN = 64;

class warm_blocks {
 public:
  // The process's reserve; its helper starts with the first take.
  static warm_blocks& shared();

  explicit warm_blocks(std::size_t kept);
  ~warm_blocks();
  warm_blocks(const warm_blocks&) = delete;
  warm_blocks& operator=(const warm_blocks&) = delete;

  // WARM_BLOCK_BYTES aligned to WARM_BLOCK_ALIGN, its pages touched when the helper was ahead; a
  // fresh allocation otherwise. Its contents are unspecified. Given up with give_back. Blocks come
  // from malloc, not operator new: the helper's allocations at any moment are no caller's.
  [[nodiscard]] void* take();
  static void give_back(void* block) noexcept { std::free(block); }

  // Blocks ready now (tests, and benchmarks that measure what records cost).
  [[nodiscard]] std::size_t ready();

 private:
  void run();

  const std::size_t kept_;
  std::mutex mutex_;
  std::condition_variable wanted_;
  std::vector<void*> ready_;  // capacity kept_: the helper's pushes never allocate
  bool starved_ = false;      // the helper's last allocation failed
  bool stopping_ = false;
  std::thread helper_;        // last: started when everything above is ready
};

}  // namespace nw

// Small arrays that grow by doubling, cut from warm blocks: a large segment makes thousands of
// new conversations a second, and each one lengthens two hosts' lists. Taken from the heap, the
// longer arrays came from fresh heap pages that the capture thread faulted in itself; here they
// come from memory the warm reserve's helper has faulted in, and an array given back serves the
// next one of its size. Arrays above SMALL_ARRAY_BYTES_MAX come from the heap. No lock of its
// own: its owner serializes.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace nw {

inline constexpr std::size_t SMALL_ARRAY_BYTES_MIN = 64;
inline constexpr std::size_t SMALL_ARRAY_BYTES_MAX = 4096;

class small_array_pool {
 public:
  small_array_pool() = default;
  ~small_array_pool();
  small_array_pool(const small_array_pool&) = delete;
  small_array_pool& operator=(const small_array_pool&) = delete;

  // `bytes` (a power of two, at least SMALL_ARRAY_BYTES_MIN) aligned to a cache line; its
  // contents are unspecified. Throws std::bad_alloc when memory runs out.
  [[nodiscard]] void* take(std::size_t bytes);
  // An array from take of the same size; arrays cut from the pool live until it goes.
  void give_back(void* array, std::size_t bytes) noexcept;

 private:
  static constexpr std::size_t CLASSES = 7;  // 64 bytes to 4 KiB
  [[nodiscard]] static std::size_t class_of(std::size_t bytes);
  void keep_rest_of_block() noexcept;

  // Given back arrays of each size, each holding the next one's address in its first bytes.
  std::array<void*, CLASSES> free_{};
  std::vector<void*> blocks_;  // warm blocks, cut front to back
  std::size_t cut_ = 0;        // bytes of the newest block handed out
};

}  // namespace nw

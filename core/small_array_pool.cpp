#include "core/small_array_pool.h"

#include <bit>
#include <new>

#include "core/warm_blocks.h"

namespace nw {

static_assert(WARM_BLOCK_BYTES % SMALL_ARRAY_BYTES_MAX == 0 && WARM_BLOCK_ALIGN >= SMALL_ARRAY_BYTES_MIN);
constexpr std::align_val_t LINE_ALIGN{SMALL_ARRAY_BYTES_MIN};

small_array_pool::~small_array_pool() {
  for (void* block : blocks_) warm_blocks::give_back(block);
}

std::size_t small_array_pool::class_of(std::size_t bytes) {
  return static_cast<std::size_t>(std::countr_zero(bytes / SMALL_ARRAY_BYTES_MIN));
}

void* small_array_pool::take(std::size_t bytes) {
  if (bytes > SMALL_ARRAY_BYTES_MAX) return ::operator new(bytes, LINE_ALIGN);
  void*& given_back = free_[class_of(bytes)];
  if (given_back != nullptr) {
    void* array = given_back;
    given_back = *static_cast<void**>(array);
    return array;
  }
  if (blocks_.empty() || cut_ + bytes > WARM_BLOCK_BYTES) {
    void* block = warm_blocks::shared().take();
    try {
      blocks_.push_back(block);
    } catch (...) {
      warm_blocks::give_back(block);
      throw;
    }
    keep_rest_of_block();
  }
  void* array = static_cast<char*>(blocks_.back()) + cut_;
  cut_ += bytes;
  return array;
}

// A new block has just been taken because the next array did not fit in the one before: what
// that one had left (every size is a multiple of the smallest) goes to the free lists in the
// largest pieces it makes, and cutting starts afresh in the new block.
void small_array_pool::keep_rest_of_block() noexcept {
  if (blocks_.size() > 1) {
    char* const previous = static_cast<char*>(blocks_[blocks_.size() - 2]);
    for (std::size_t bytes = SMALL_ARRAY_BYTES_MAX; bytes >= SMALL_ARRAY_BYTES_MIN; bytes /= 2) {
      while (WARM_BLOCK_BYTES - cut_ >= bytes) {
        give_back(previous + cut_, bytes);
        cut_ += bytes;
      }
    }
  }
  cut_ = 0;
}

void small_array_pool::give_back(void* array, std::size_t bytes) noexcept {
  if (array == nullptr) return;
  if (bytes > SMALL_ARRAY_BYTES_MAX) {
    ::operator delete(array, LINE_ALIGN);
    return;
  }
  void*& given_back = free_[class_of(bytes)];
  *static_cast<void**>(array) = given_back;
  given_back = array;
}

}  // namespace nw

#include "core/table_reserve.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

#include "core/idle_priority.h"
#include "core/large_table_allocator.h"

namespace nw {
namespace {

// Every page is touched: a kernel that grants no huge page faults small ones.
constexpr std::size_t SMALL_PAGE_BYTES = 4096;

}  // namespace

table_reserve& table_reserve::shared() {
  static table_reserve reserve;
  return reserve;
}

table_reserve::~table_reserve() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (helper_.joinable()) helper_.join();
  std::free(ready_);
}

void table_reserve::prepare(std::size_t bytes) {
  {
    std::lock_guard lock(mutex_);
    if (wanted_ == bytes || making_ == bytes || (ready_ != nullptr && ready_bytes_ == bytes)) return;
    if (!helper_.joinable()) helper_ = std::thread([this] { run(); });
    wanted_ = bytes;
  }
  changed_.notify_all();
}

void* table_reserve::take(std::size_t bytes) {
  std::unique_lock lock(mutex_);
  if (wanted_ == bytes) wanted_ = 0;  // not begun: making it here costs no more than waiting would
  changed_.wait(lock, [&] { return making_ != bytes; });
  if (ready_ == nullptr || ready_bytes_ != bytes) return nullptr;
  return std::exchange(ready_, nullptr);
}

void table_reserve::run() {
  run_when_idle();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || wanted_ != 0; });
    if (stopping_) return;
    making_ = std::exchange(wanted_, 0);
    std::free(std::exchange(ready_, nullptr));  // another size was asked for
    lock.unlock();
    void* array = std::aligned_alloc(HUGE_PAGE_BYTES, making_);
    if (array != nullptr) {
      (void)madvise(array, making_, MADV_HUGEPAGE);
      for (std::size_t at = 0; at < making_; at += SMALL_PAGE_BYTES) static_cast<volatile char*>(array)[at] = 0;
    }
    lock.lock();
    ready_ = array;
    ready_bytes_ = std::exchange(making_, 0);
    changed_.notify_all();
  }
}

}  // namespace nw

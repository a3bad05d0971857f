#include "core/warm_blocks.h"

#include "core/idle_priority.h"

namespace nw {
namespace {

constexpr std::size_t PAGE_BYTES = 4096;
// About 30 ms of new links and their averages' rows at the fastest rate a capture thread makes
// them; kept ready, 4 MiB.
constexpr std::size_t SHARED_KEPT = 64;

}  // namespace

warm_blocks& warm_blocks::shared() {
  static warm_blocks reserve(SHARED_KEPT);
  return reserve;
}

warm_blocks::warm_blocks(std::size_t kept) : kept_(kept) { ready_.reserve(kept_); }

warm_blocks::~warm_blocks() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wanted_.notify_one();
  if (helper_.joinable()) helper_.join();
  for (void* block : ready_) give_back(block);
}

void* warm_blocks::take() {
  {
    std::lock_guard lock(mutex_);
    if (!helper_.joinable()) helper_ = std::thread([this] { run(); });
    if (!ready_.empty()) {
      void* block = ready_.back();
      ready_.pop_back();
      if (ready_.size() < kept_ / 2) {
        starved_ = false;
        wanted_.notify_one();
      }
      return block;
    }
  }
  void* block = std::aligned_alloc(WARM_BLOCK_ALIGN, WARM_BLOCK_BYTES);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

std::size_t warm_blocks::ready() {
  std::lock_guard lock(mutex_);
  return ready_.size();
}

void warm_blocks::run() {
  run_when_idle();
  std::unique_lock lock(mutex_);
  for (;;) {
    wanted_.wait(lock, [this] { return stopping_ || (ready_.size() < kept_ / 2 && !starved_); });
    if (stopping_) return;
    while (ready_.size() < kept_ && !stopping_) {
      lock.unlock();
      void* block = std::aligned_alloc(WARM_BLOCK_ALIGN, WARM_BLOCK_BYTES);
      if (block != nullptr) {
        for (std::size_t at = 0; at < WARM_BLOCK_BYTES; at += PAGE_BYTES) static_cast<volatile char*>(block)[at] = 0;
      }
      lock.lock();
      if (block == nullptr) {
        starved_ = true;  // out of memory: takers allocate for themselves until one asks again
        break;
      }
      ready_.push_back(block);
    }
  }
}

}  // namespace nw

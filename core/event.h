// A manual-reset event over a condition variable: the wake signal of the request threads.
#pragma once

#include <condition_variable>
#include <mutex>

namespace nw {

// Stays signalled from set() until reset(); every waiter then passes.
class manual_event {
 public:
  void set() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    cv_.notify_all();
  }

  void reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
  }

  void wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return signalled_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

}  // namespace nw

// The next, bigger array of a large table, faulted in by a helper thread before the table
// grows into it. A table of a million entries doubles into tens of megabytes of fresh pages:
// faulting them in where it grows stalls the capture thread for as long as a few thousand
// frames take, while the second core has time to spare.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace nw {

class table_reserve {
 public:
  // The process's reserve; its helper starts with the first prepare.
  static table_reserve& shared();

  table_reserve() = default;
  ~table_reserve();
  table_reserve(const table_reserve&) = delete;
  table_reserve& operator=(const table_reserve&) = delete;

  // Has the helper allocate `bytes` on a huge page's boundary and fault it in, for the next
  // take of that size (its contents unspecified). Asking again for the size in hand changes
  // nothing; asking for another size gives up the one in hand.
  void prepare(std::size_t bytes);
  // The array prepared for exactly `bytes`, given up with std::free; waits while the helper is
  // still faulting it in. nullptr when no array of that size was asked for, the helper had not
  // begun it (it no longer will), or memory ran out.
  [[nodiscard]] void* take(std::size_t bytes);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t wanted_ = 0;   // the size the helper is to prepare next; 0 for none
  std::size_t making_ = 0;   // the size the helper is preparing now; 0 for none
  void* ready_ = nullptr;    // the prepared array
  std::size_t ready_bytes_ = 0;
  bool stopping_ = false;
  std::thread helper_;       // last: started when everything above is ready
};

}  // namespace nw

// First-in first-out queue of requests (name look-ups, alarm firings). It has no lock of its
// own: each user guards its queue with its own mutex.
#pragma once

#include <cstdint>
#include <deque>
#include <new>

namespace nw {

template <typename Item>
struct q {
  std::deque<Item> items;
};

// 1 when the item was appended at the tail, 0 when there was no memory for it.
template <typename Item>
[[nodiscard]] int q_put(q<Item>& queue, Item item) {
  try {
    queue.items.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

// 1 and the head item moved to *out, or 0 when the queue is empty.
template <typename Item>
[[nodiscard]] int q_get(q<Item>& queue, Item* out) {
  if (queue.items.empty()) return 0;
  *out = std::move(queue.items.front());
  queue.items.pop_front();
  return 1;
}

// Calls fn for every item from the head; fn must not put or get.
template <typename Item, typename Fn>
void q_foreach(const q<Item>& queue, Fn&& fn) {
  for (const Item& item : queue.items) fn(item);
}

template <typename Item>
[[nodiscard]] std::uint32_t q_count(const q<Item>& queue) {
  return static_cast<std::uint32_t>(queue.items.size());
}

// Drops every cell; items that are references to records are not released.
template <typename Item>
void q_free(q<Item>& queue) {
  queue.items.clear();
}

}  // namespace nw

// Ranking of the 50 largest items of one kind, ordered through five callbacks of the item's kind.
// Each item keeps its own position in the ranking, so touching a ranked item costs no search.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace nw {

inline constexpr std::int32_t TOPN_SIZE = 50;

// What a kind of item tells the ranking. compare returns -1, 0 or +1 as value(a) is below, equal
// to or above value(b); get_index is the item's stored position, -1 when not ranked.
template <typename Item>
struct topn_callbacks {
  int (*compare)(const Item& a, const Item& b);
  std::int32_t (*get_index)(const Item& item);
  void (*set_index)(Item& item, std::int32_t position);
  std::string (*get_label)(const Item& item);
  // 64-bit: byte totals of a busy host pass 4 GiB within minutes.
  std::uint64_t (*get_value)(const Item& item);
};

// Entry 0 holds the largest value; entries 0..count-1 are in use. The ranking refers to its
// items and never owns them: they must outlive it. No lock of its own: the owner serializes.
template <typename Item>
struct topn {
  const topn_callbacks<Item>* fns = nullptr;
  std::int32_t count = 0;
  std::int32_t capacity = 0;
  std::array<Item*, TOPN_SIZE> entries{};
};

// One line of a ranked list as a window or a report shows it.
struct topn_pair {
  std::string label;
  std::uint64_t value = 0;
};
using topn_list = std::array<topn_pair, TOPN_SIZE>;

template <typename Item>
[[nodiscard]] topn<Item> topn_create(const topn_callbacks<Item>* fns) {
  return topn<Item>{fns, 0, TOPN_SIZE, {}};
}

namespace topn_detail {

template <typename Item>
void put(topn<Item>& ranking, std::int32_t i, Item& item) {
  ranking.entries[static_cast<std::size_t>(i)] = &item;
  ranking.fns->set_index(item, i);
}

template <typename Item>
Item& at(const topn<Item>& ranking, std::int32_t i) {
  return *ranking.entries[static_cast<std::size_t>(i)];
}

}  // namespace topn_detail

// Offers an item that is not ranked yet: its new position, or -1 when it was not admitted (a full
// list admits only an item larger than its last entry, which then drops out). An item equal to
// an entry goes below it, so among equals the earlier one keeps the higher place.
template <typename Item>
[[nodiscard]] std::int32_t topn_insert(topn<Item>& ranking, Item& item) {
  using topn_detail::at;
  using topn_detail::put;
  const std::int32_t n = ranking.count;
  if (n < 0 || n > TOPN_SIZE) return -1;
  if (n == 0) {
    put(ranking, 0, item);
    ranking.count = 1;
    return 0;
  }
  Item& last = at(ranking, n - 1);
  const bool full = ranking.capacity <= n;
  if (ranking.fns->compare(last, item) >= 0) {
    if (full) {
      ranking.fns->set_index(item, -1);
      return -1;
    }
    put(ranking, n, item);
    ranking.count = n + 1;
    return n;
  }
  if (full) {
    ranking.fns->set_index(last, -1);
  } else {
    put(ranking, n, last);
    ranking.count = n + 1;
  }
  // Between sorts the entries above may lag behind their counters, so this walks up one entry at
  // a time rather than searching as if the list were ordered.
  std::int32_t i = n - 1;
  while (i >= 1 && ranking.fns->compare(at(ranking, i - 1), item) < 0) {
    put(ranking, i, at(ranking, i - 1));
    --i;
  }
  put(ranking, i, item);
  return i;
}

// 1 when the item's stored position names it in the live part of the list. A position left over
// from before a clear does not count, so such an item is inserted again rather than moved.
template <typename Item>
[[nodiscard]] int topn_holds(const topn<Item>& ranking, const Item& item) {
  const std::int32_t i = ranking.fns->get_index(item);
  return i >= 0 && i < ranking.count && &topn_detail::at(ranking, i) == &item ? 1 : 0;
}

// Moves a ranked item up as far as its current value allows; never down. An item at the top, or
// one not in the live list (position -1, or a position left over from before a clear), is left
// alone: reading a stale slot would move items that are no longer ranked.
template <typename Item>
void topn_update(topn<Item>& ranking, Item& item) {
  using topn_detail::at;
  using topn_detail::put;
  std::int32_t i = ranking.fns->get_index(item);
  if (i < 1 || i >= ranking.count || &at(ranking, i) != &item) return;
  for (; i >= 1; --i) {
    Item& above = at(ranking, i - 1);
    if (ranking.fns->compare(above, item) >= 0) return;
    put(ranking, i, above);
    put(ranking, i - 1, item);
  }
}

// The offer every caller uses when an item is touched: move it if ranked, else try to admit it,
// so an item refused once gets in as soon as its value exceeds the last entry's.
template <typename Item>
void topn_offer(topn<Item>& ranking, Item& item) {
  if (topn_holds(ranking, item) == 1) {
    topn_update(ranking, item);
  } else {
    (void)topn_insert(ranking, item);
  }
}

// An insertion sort: each entry in turn moves up past the smaller entries above it, equal ones
// keep their order. Puts in place the entries whose counters grew since they were last offered.
template <typename Item>
void topn_sort(topn<Item>& ranking) {
  for (std::int32_t i = 0; i < ranking.count; ++i) {
    topn_update(ranking, topn_detail::at(ranking, i));
  }
}

// One pair per entry in list order; when the list is not full, the pair after the last entry is
// set to (empty, 0). Read the ranking's count for the number of entries.
template <typename Item>
void topn_get_list(const topn<Item>& ranking, topn_list& out) {
  for (std::int32_t i = 0; i < ranking.count; ++i) {
    const Item& item = topn_detail::at(ranking, i);
    out[static_cast<std::size_t>(i)] = {ranking.fns->get_label(item), ranking.fns->get_value(item)};
  }
  if (ranking.count < ranking.capacity) out[static_cast<std::size_t>(ranking.count)] = {};
}

// Empties the list for refilling. Items keep their position fields; topn_offer sees through
// them, since they no longer name the item in the live list.
template <typename Item>
void topn_clear(topn<Item>& ranking) {
  ranking.count = 0;
}

// Callback building blocks for kinds whose value and position are fields of the item.
template <typename Item, std::uint64_t (*value)(const Item&)>
int topn_compare_by(const Item& a, const Item& b) {
  const std::uint64_t va = value(a);
  const std::uint64_t vb = value(b);
  return va < vb ? -1 : (va > vb ? 1 : 0);
}

template <typename Item, auto field>
std::uint64_t topn_field_value(const Item& item) {
  return static_cast<std::uint64_t>(item.*field);
}

template <typename Item, auto field>
std::int32_t topn_field_index(const Item& item) {
  return item.*field;
}

template <typename Item, auto field>
void topn_field_set_index(Item& item, std::int32_t position) {
  item.*field = position;
}

}  // namespace nw

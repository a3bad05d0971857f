// The frame path's look-up of hosts and links: an open-addressing table whose slots hold the
// packed addresses themselves, so a look-up reads one slot and then the record. The chained
// tables of the network and its hosts stay what iteration and the name editor see; this
// index only answers "which record" for the frame path, the one place where a look-up's cache
// misses decide the frame rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/netaddr.h"

namespace nw {

// A hardware (Ethernet or Token Ring, which compare alike) or IPv4 address packed with its
// kind into one word; 0 for any other address, which the index does not hold.
[[nodiscard]] std::uint64_t addr_key(const netaddr& address);

// Records by one key (hosts) or by a pair of keys (links: source mac, destination address).
// Never removes: hosts and links live as long as their network.
template <typename Record>
class addr_index {
 public:
  // The record under (a, b), or nullptr; never allocates.
  [[nodiscard]] Record* find(std::uint64_t a, std::uint64_t b = 0) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slot_of(a, b);; i = (i + 1) & mask()) {
      const slot& s = slots_[i];
      if (s.record == nullptr) return nullptr;
      if (s.a == a && s.b == b) return s.record;
    }
  }

  // Starts loading the slot of (a, b) into the cache, for a look-up a little later.
  void prefetch(std::uint64_t a, std::uint64_t b = 0) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[slot_of(a, b)]);
  }

  // Enters or replaces the record under (a, b); a zero key a is ignored.
  void put(Record* record, std::uint64_t a, std::uint64_t b = 0) {
    if (a == 0) return;
    if ((count_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = slot_of(a, b);
    while (slots_[i].record != nullptr && !(slots_[i].a == a && slots_[i].b == b)) i = (i + 1) & mask();
    if (slots_[i].record == nullptr) ++count_;
    slots_[i] = slot{a, b, record};
  }

  [[nodiscard]] std::size_t count() const { return count_; }
  [[nodiscard]] std::size_t memory_bytes() const { return slots_.capacity() * sizeof(slot); }

 private:
  struct slot {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    Record* record = nullptr;
  };

  [[nodiscard]] std::size_t mask() const { return slots_.size() - 1; }

  // Addresses of one vendor differ in their low octets: mix before taking the top bits.
  [[nodiscard]] std::size_t slot_of(std::uint64_t a, std::uint64_t b) const {
    const std::uint64_t h = (a ^ (b * 0xC2B2AE3D27D4EB4FULL)) * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>(h >> (64 - bits_));
  }

  // The bigger array is made before the old one is given up, so a failed allocation leaves
  // the index as it was.
  void grow() {
    std::vector<slot> bigger(std::size_t{1} << (slots_.empty() ? 6 : bits_ + 1));
    std::vector<slot> old = std::exchange(slots_, std::move(bigger));
    bits_ = old.empty() ? 6 : bits_ + 1;
    count_ = 0;
    for (const slot& s : old)
      if (s.record != nullptr) put(s.record, s.a, s.b);
  }

  std::vector<slot> slots_;
  std::size_t count_ = 0;
  unsigned bits_ = 0;
};

}  // namespace nw

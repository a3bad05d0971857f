// The frame path's look-up of links: an open-addressing table from the two hardware addresses
// of a conversation to its link's number. A slot is 16 bytes, the two 48-bit addresses and the
// number side by side, so four share a cache line, and on a segment of many conversations the
// table that every frame probes stays a quarter of what address words and a pointer would make
// it. Never removes: links live as long as their network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/large_table_allocator.h"
#include "core/prefetch.h"

namespace nw {

class link_mac_index {
 public:
  static constexpr std::uint32_t NONE = UINT32_MAX;

  // src and dst are the two addresses' addr_key (hardware kind); only their 48 address bits
  // count. The link's number, or NONE; never allocates.
  [[nodiscard]] std::uint32_t find(std::uint64_t src, std::uint64_t dst) const {
    if (slots_.empty()) return NONE;
    const slot wanted = packed(src, dst, 0);
    for (std::size_t i = slot_of(wanted);; i = (i + 1) & mask()) {
      const slot& s = slots_[i];
      if (s.empty()) return NONE;
      if (s.same_addresses(wanted)) return s.number();
    }
  }

  // Starts loading the slot of a look-up that follows a little later.
  void prefetch(std::uint64_t src, std::uint64_t dst) const {
    if (!slots_.empty()) cache_preload(&slots_[slot_of(packed(src, dst, 0))]);
  }

  // Room for one more entry, so that the next put does not allocate.
  void reserve_one() {
    if ((count_ + 1) * 2 > slots_.size()) {
      grow();
    } else if ((count_ + 1) * 16 > slots_.size() * 7 && !next_prepared_) {
      // Seven eighths of the way to growing: the next array is faulted in off this thread.
      large_table_allocator<slot>::prepare(slots_.size() * 2);
      next_prepared_ = true;
    }
  }
  // Enters number under the two addresses, which must not be entered yet (find gave NONE).
  // number is below NONE.
  void put(std::uint64_t src, std::uint64_t dst, std::uint32_t number) {
    reserve_one();
    place(packed(src, dst, number));
    ++count_;
  }

  [[nodiscard]] std::size_t count() const { return count_; }
  [[nodiscard]] std::size_t memory_bytes() const { return slots_.capacity() * sizeof(slot); }

 private:
  static constexpr std::uint64_t ADDRESS_BITS = 0xFFFFFFFFFFFFULL;

  // high: the source's 48 bits, then the destination's top 16; low: the destination's low 32,
  // then the number plus one (0 marks an empty slot).
  struct alignas(16) slot {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    [[nodiscard]] bool empty() const { return static_cast<std::uint32_t>(low) == 0; }
    [[nodiscard]] bool same_addresses(const slot& other) const {
      return high == other.high && (low >> 32) == (other.low >> 32);
    }
    [[nodiscard]] std::uint32_t number() const { return static_cast<std::uint32_t>(low) - 1; }
  };

  [[nodiscard]] static slot packed(std::uint64_t src, std::uint64_t dst, std::uint32_t number) {
    src &= ADDRESS_BITS;
    dst &= ADDRESS_BITS;
    return slot{src << 16 | dst >> 32, dst << 32 | (std::uint64_t{number} + 1)};
  }

  [[nodiscard]] std::size_t mask() const { return slots_.size() - 1; }

  // Addresses of one vendor differ in their low octets: mix before taking the top bits.
  [[nodiscard]] std::size_t slot_of(const slot& s) const {
    const std::uint64_t h = s.high ^ (s.low >> 32) * 0xC2B2AE3D27D4EB4FULL;
    return static_cast<std::size_t>(h * 0x9E3779B97F4A7C15ULL >> (64 - bits_));
  }

  void place(const slot& s) {
    std::size_t i = slot_of(s);
    while (!slots_[i].empty()) i = (i + 1) & mask();
    slots_[i] = s;
  }

  // The bigger array is made before the old one is given up, so a failed allocation leaves
  // the index as it was.
  void grow() {
    std::vector<slot, large_table_allocator<slot>> bigger(std::size_t{1} << (slots_.empty() ? 6 : bits_ + 1));
    std::vector<slot, large_table_allocator<slot>> old = std::exchange(slots_, std::move(bigger));
    bits_ = old.empty() ? 6 : bits_ + 1;
    next_prepared_ = false;
    for (const slot& s : old)
      if (!s.empty()) place(s);
  }

  std::vector<slot, large_table_allocator<slot>> slots_;
  std::size_t count_ = 0;
  unsigned bits_ = 0;
  bool next_prepared_ = false;  // the array for the next growth was asked for
};

}  // namespace nw

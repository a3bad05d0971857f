// The frame path's look-up of hosts: an open-addressing table whose slots hold the packed
// addresses themselves, so a look-up reads one slot and then the record. The network's host
// list stays what iteration and the name editor see; this index only answers "which record"
// for the frame path, the one place where a look-up's cache misses decide the frame rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/prefetch.h"

namespace nw {

inline constexpr std::uint64_t ADDR_KIND_HARDWARE = 1;
inline constexpr std::uint64_t ADDR_KIND_IPV4 = 2;

// An address's octets packed with its kind into one word.
[[nodiscard]] inline std::uint64_t packed_key(std::uint64_t kind, const std::uint8_t* octets, std::uint32_t length) {
  std::uint64_t key = kind;
  for (std::uint32_t i = 0; i < length; ++i) key = key << 8 | octets[i];
  return key;
}

// The kind a packed key carries (0 for none).
[[nodiscard]] inline std::uint64_t addr_kind(std::uint64_t key) { return key >> 48 != 0 ? key >> 48 : key >> 32; }

// A hardware (Ethernet or Token Ring, which compare alike) or IPv4 address packed with its
// kind; 0 for any other address, which the index does not hold.
[[nodiscard]] inline std::uint64_t addr_key(const netaddr& address) {
  if (address.type == nullptr) return 0;
  switch (address.type->family) {
    case NETADDR_ETHER:
    case NETADDR_TR: return packed_key(ADDR_KIND_HARDWARE, address.octets.data(), NETADDR_HW_LENGTH);
    case NETADDR_IPV4: return packed_key(ADDR_KIND_IPV4, address.octets.data(), 4);
    default: return 0;
  }
}

// Records by a packed address. A slot never straddles two cache lines, so a look-up whose slot
// was loaded ahead reads no other line. Never removes: hosts live as long as their network.
template <typename Record>
class addr_index {
 public:
  using key = std::uint64_t;

  // The record under k, or nullptr; never allocates.
  [[nodiscard]] Record* find(const key& k) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slot_of(k);; i = (i + 1) & mask()) {
      const slot& s = slots_[i];
      if (s.record == nullptr) return nullptr;
      if (s.k == k) return s.record;
    }
  }

  // Starts loading the slot of k into the cache, for a look-up a little later.
  void prefetch(const key& k) const {
    if (!slots_.empty()) cache_preload(&slots_[slot_of(k)]);
  }

  // Room for `more` new keys, so that putting them does not allocate.
  void reserve_more(std::size_t more) {
    while ((count_ + more) * 2 > slots_.size()) grow();
  }

  // Enters or replaces the record under k; a key of 0 is ignored.
  void put(Record* record, const key& k) {
    if (k == 0) return;
    reserve_more(1);
    std::size_t i = slot_of(k);
    while (slots_[i].record != nullptr && slots_[i].k != k) i = (i + 1) & mask();
    if (slots_[i].record == nullptr) ++count_;
    slots_[i] = slot{k, record};
  }

  [[nodiscard]] std::size_t count() const { return count_; }
  [[nodiscard]] std::size_t memory_bytes() const { return slots_.capacity() * sizeof(slot); }

 private:
  struct alignas(16) slot {
    key k = 0;
    Record* record = nullptr;
  };

  [[nodiscard]] std::size_t mask() const { return slots_.size() - 1; }

  // Addresses of one vendor differ in their low octets: mix before taking the top bits.
  [[nodiscard]] std::size_t slot_of(const key& k) const {
    return static_cast<std::size_t>(k * 0x9E3779B97F4A7C15ULL >> (64 - bits_));
  }

  // The bigger array is made before the old one is given up, so a failed allocation leaves
  // the index as it was.
  void grow() {
    std::vector<slot> bigger(std::size_t{1} << (slots_.empty() ? 6 : bits_ + 1));
    std::vector<slot> old = std::exchange(slots_, std::move(bigger));
    bits_ = old.empty() ? 6 : bits_ + 1;
    count_ = 0;
    for (const slot& s : old)
      if (s.record != nullptr) put(s.record, s.k);
  }

  std::vector<slot> slots_;
  std::size_t count_ = 0;
  unsigned bits_ = 0;
};

}  // namespace nw

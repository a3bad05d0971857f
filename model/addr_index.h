// The frame path's look-up of hosts and links: an open-addressing table whose slots hold the
// packed addresses themselves, so a look-up reads one slot and then the record. The chained
// tables of the network and its hosts stay what iteration and the name editor see; this
// index only answers "which record" for the frame path, the one place where a look-up's cache
// misses decide the frame rate.
#pragma once

#include <array>
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

// Records by one key (hosts: an address) or by two (links: source mac, destination address).
// A slot never straddles two cache lines, so a look-up whose slot was loaded ahead reads no
// other line. Never removes: hosts and links live as long as their network.
template <typename Record, std::size_t Keys = 1>
class addr_index {
  static_assert(Keys == 1 || Keys == 2);

 public:
  using key = std::array<std::uint64_t, Keys>;

  // The record under k, or nullptr; never allocates.
  [[nodiscard]] Record* find(const key& k) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slot_of(k);; i = (i + 1) & mask()) {
      const slot& s = slots_[i];
      if (s.record == nullptr) return nullptr;
      if (same(s.k, k)) return s.record;
    }
  }

  // Starts loading the slot of k into the cache, for a look-up a little later.
  void prefetch(const key& k) const {
    if (!slots_.empty()) cache_preload(&slots_[slot_of(k)]);
  }

  // Enters or replaces the record under k; a key whose first word is 0 is ignored.
  void put(Record* record, const key& k) {
    if (k[0] == 0) return;
    if ((count_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = slot_of(k);
    while (slots_[i].record != nullptr && !same(slots_[i].k, k)) i = (i + 1) & mask();
    if (slots_[i].record == nullptr) ++count_;
    slots_[i] = slot{k, record};
  }

  // The record under k; when there is none, record is entered under k and returned. A key whose
  // first word is 0 gives nullptr.
  Record* find_or_put(Record* record, const key& k) {
    if (k[0] == 0) return nullptr;
    if ((count_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = slot_of(k);
    for (; slots_[i].record != nullptr; i = (i + 1) & mask())
      if (same(slots_[i].k, k)) return slots_[i].record;
    ++count_;
    slots_[i] = slot{k, record};
    return record;
  }

  [[nodiscard]] std::size_t count() const { return count_; }
  [[nodiscard]] std::size_t memory_bytes() const { return slots_.capacity() * sizeof(slot); }

 private:
  struct alignas(Keys == 1 ? 16 : 32) slot {
    key k{};
    Record* record = nullptr;
  };

  // Word by word: std::array's == calls memcmp, a call per probe on the frame path.
  [[nodiscard]] static bool same(const key& x, const key& y) {
    if constexpr (Keys == 2) {
      return x[0] == y[0] && x[1] == y[1];
    } else {
      return x[0] == y[0];
    }
  }

  [[nodiscard]] std::size_t mask() const { return slots_.size() - 1; }

  // Addresses of one vendor differ in their low octets: mix before taking the top bits.
  [[nodiscard]] std::size_t slot_of(const key& k) const {
    std::uint64_t h = k[0];
    if constexpr (Keys == 2) h ^= k[1] * 0xC2B2AE3D27D4EB4FULL;
    return static_cast<std::size_t>(h * 0x9E3779B97F4A7C15ULL >> (64 - bits_));
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

// Address values of any family (Ethernet, IPv4, Token Ring) and the registry of their families.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/hashtable.h"

namespace nw {

// Family numbers index the registry; 2 is unused. A descriptor not yet registered carries 7.
inline constexpr std::uint32_t NETADDR_ETHER = 0;
inline constexpr std::uint32_t NETADDR_IPV4 = 1;
inline constexpr std::uint32_t NETADDR_TR = 3;
inline constexpr std::uint32_t NETADDR_UNREGISTERED = 7;
inline constexpr std::size_t NETADDR_FAMILIES = 8;

// Octets an address value has room for, whatever its family.
inline constexpr std::size_t NETADDR_SLOT = 24;

// Text buffers, terminator included: "XX:XX:XX:XX:XX:XX" and "XXX.XXX.XXX.XXX".
inline constexpr std::size_t NETADDR_HW_TEXT_SIZE = 18;
inline constexpr std::size_t NETADDR_IPV4_TEXT_SIZE = 16;
inline constexpr std::size_t NETADDR_TEXT_SIZE = NETADDR_HW_TEXT_SIZE;  // fits every family

// The family descriptor: what an address of this family is and how it is handled. Every
// function works on the family's `length` octets of a slot.
struct netaddr_type {
  std::uint32_t family = NETADDR_UNREGISTERED;
  std::uint32_t length = 0;
  std::uint32_t (*hash)(const std::uint8_t* octets) = nullptr;
  void (*copy)(const std::uint8_t* from, std::uint8_t* to) = nullptr;
  void (*clear)(std::uint8_t* octets) = nullptr;
  // 0 when equal; otherwise the sign of b against a (negative when b is the smaller).
  int (*compare)(const std::uint8_t* a, const std::uint8_t* b) = nullptr;
  std::string (*to_text_new)(const std::uint8_t* octets) = nullptr;
  // 1 when the text and its terminator were written, 0 when the buffer is too small for it.
  int (*to_text)(const std::uint8_t* octets, std::span<char> buffer) = nullptr;
  void (*parse)(std::uint8_t* octets, std::string_view text) = nullptr;
};

// An address value, small and trivially copyable so that host records, frame-ring entries and
// hash-table keys hold it by value. With no descriptor it is "unset".
struct netaddr {
  const netaddr_type* type = nullptr;
  std::array<std::uint8_t, NETADDR_SLOT> octets{};
};

// The registry is made and filled by start-up on the window thread before any other thread
// runs, and only read afterwards, so it takes no lock.

// Empties the registry (tests start clean). Descriptors already handed out stay valid.
void netaddr_registry_init();

// The descriptor registered with row's fields, or nullptr when the registry is not made, the
// family is 8 or above, the length is 0 or above NETADDR_SLOT, or a function is missing.
[[nodiscard]] const netaddr_type* netaddr_register(const netaddr_type& row);

// The descriptor in slot `family`, nullptr when none is registered there.
[[nodiscard]] const netaddr_type* netaddr_type_of(std::uint32_t family);

// The registered descriptors in registration order; its size is the registry's count.
[[nodiscard]] std::span<const netaddr_type* const> netaddr_registered();

// Makes addr an all-zero address of `family`; nothing is done when the family is unregistered.
void netaddr_init(netaddr& addr, std::uint32_t family);

// A new zeroed address of `family`, or nullptr when the family is unregistered. The caller owns
// it; releasing the pointer releases the address.
[[nodiscard]] std::unique_ptr<netaddr> netaddr_new(std::uint32_t family);

// A new address with addr's family and octets; nullptr when addr is unset.
[[nodiscard]] std::unique_ptr<netaddr> netaddr_dup(const netaddr& addr);

// The first octet; the slot always has NETADDR_SLOT octets, so a family's copy may write there.
[[nodiscard]] std::uint8_t* netaddr_bytes(netaddr& addr);
[[nodiscard]] const std::uint8_t* netaddr_bytes(const netaddr& addr);

// The family's hash of the octets; 0 for an unset address. Never allocates.
[[nodiscard]] std::uint32_t netaddr_hash(const netaddr& addr);

// 0 when equal, the sign of b against a otherwise (negative when b is the smaller), over a's
// length; 1 when a is unset. The families are not compared. Never allocates.
[[nodiscard]] int netaddr_compare(const netaddr& a, const netaddr& b);

// Hash tables keyed by address values (hosts, links, the address-name files).
inline constexpr ht_functions<netaddr> netaddr_functions{netaddr_hash, netaddr_compare};

// `to` takes from's family and octets; an unset `from` makes `to` unset.
void netaddr_copy(const netaddr& from, netaddr& to);

// Zeroes the octets and keeps the family; nothing is done to an unset address.
void netaddr_clear(netaddr& addr);

// The text form ("00:A0:C9:14:C8:29", "192.168.1.10"); empty for an unset address.
[[nodiscard]] std::string netaddr_to_text_new(const netaddr& addr);

// 1 when the text form was written into buffer (NETADDR_TEXT_SIZE fits every family); 0 when
// addr is unset or the buffer too small, and then the buffer holds "" if it has room for that.
int netaddr_to_text(const netaddr& addr, std::span<char> buffer);

// Sets the octets from a text by the family's rules; the text ends at its size or its first NUL.
// Nothing is done to an unset address.
void netaddr_parse(netaddr& addr, std::string_view text);

// The octet-run hash and comparison every family uses, over `length` octets. The hash is
// h = (h << 2) ^ octet, each octet sign-extended as a signed 8-bit value.
[[nodiscard]] inline std::uint32_t netaddr_octets_hash(const std::uint8_t* octets, std::size_t length) {
  std::uint32_t h = 0;
  for (std::size_t i = 0; i < length; ++i) {
    h = (h << 2) ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(octets[i])));
  }
  return h;
}

[[nodiscard]] inline int netaddr_octets_compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return static_cast<int>(b[i]) - static_cast<int>(a[i]);
  }
  return 0;
}

}  // namespace nw

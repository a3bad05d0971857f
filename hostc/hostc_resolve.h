// The host-name service behind the cache: its answer, the cache's private copy of an answer,
// and the system resolver that answers by default.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/netaddr.h"

namespace nw {

// One answer of the host-name service: the official name, its aliases, the address family and
// length, and the addresses (h_length octets each, network order).
struct hostc_hostent {
  std::string h_name;
  std::vector<std::string> h_aliases;
  std::int16_t h_addrtype = 0;
  std::int16_t h_length = 0;
  std::vector<std::vector<std::uint8_t>> h_addr_list;
};

// Name to addresses, and IPv4 address to name; none when the service has no answer. Both block
// for as long as the service takes and are called only on the resolver thread.
using hostc_forward_lookup = std::function<std::optional<hostc_hostent>(const std::string& name)>;
using hostc_reverse_lookup = std::function<std::optional<hostc_hostent>(const netaddr& ip)>;

// The system's resolver (hosts file, DNS), thread-safe. The forward answer lists the asked name
// among the aliases when the official name differs; the reverse answer has no aliases and lists
// the asked address.
[[nodiscard]] std::optional<hostc_hostent> hostc_system_forward(const std::string& name);
[[nodiscard]] std::optional<hostc_hostent> hostc_system_reverse(const netaddr& ip);

// The copy the cache keeps of an answer: every name cut at its first blank, and of two or more
// addresses the first left out. None for an answer that is not IPv4 (family AF_INET, 4 octets
// an address), so no address can overflow a cache entry's.
[[nodiscard]] std::optional<hostc_hostent> hostc_hostent_copy(const hostc_hostent& answer);

}  // namespace nw

// The system resolver behind the host-name cache, and the cache's copy of its answers.
#include "hostc/hostc_resolve.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/netaddr_ipv4.h"

namespace nw {

namespace {

constexpr std::int16_t IPV4_FAMILY = AF_INET;
constexpr std::int16_t IPV4_LENGTH = NETADDR_IPV4_LENGTH;

hostc_hostent ipv4_answer(std::string name) {
  hostc_hostent h;
  h.h_name = std::move(name);
  h.h_addrtype = IPV4_FAMILY;
  h.h_length = IPV4_LENGTH;
  return h;
}

std::vector<std::uint8_t> octets_of(const in_addr& a) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&a);
  return {p, p + sizeof a};
}

std::string cut_at_blank(const std::string& name) { return name.substr(0, name.find(' ')); }

struct addrinfo_free {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

}  // namespace

std::optional<hostc_hostent> hostc_system_forward(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one row an address, not one a socket type
  hints.ai_flags = AI_CANONNAME;
  addrinfo* raw = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0) return std::nullopt;
  const std::unique_ptr<addrinfo, addrinfo_free> list(raw);
  hostc_hostent h = ipv4_answer(list->ai_canonname != nullptr ? list->ai_canonname : name);
  // The old interface listed the asked name among the aliases when it led to another name;
  // the cache keeps the entry under it that way.
  if (h.h_name != name) h.h_aliases.push_back(name);
  for (const addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in sa{};
    std::memcpy(&sa, ai->ai_addr, sizeof sa);
    auto octets = octets_of(sa.sin_addr);
    if (std::find(h.h_addr_list.begin(), h.h_addr_list.end(), octets) == h.h_addr_list.end())
      h.h_addr_list.push_back(std::move(octets));
  }
  if (h.h_addr_list.empty()) return std::nullopt;
  return h;
}

std::optional<hostc_hostent> hostc_system_reverse(const netaddr& ip) {
  if (ip.type == nullptr || ip.type->length != NETADDR_IPV4_LENGTH) return std::nullopt;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  std::memcpy(&sa.sin_addr, netaddr_bytes(ip), sizeof sa.sin_addr);
  char host[NI_MAXHOST];
  // NI_NAMEREQD: the address's own dotted text is no answer.
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return std::nullopt;
  hostc_hostent h = ipv4_answer(host);
  h.h_addr_list.push_back(octets_of(sa.sin_addr));
  return h;
}

std::optional<hostc_hostent> hostc_hostent_copy(const hostc_hostent& answer) {
  const auto wrong_size = [](const std::vector<std::uint8_t>& a) { return a.size() != NETADDR_IPV4_LENGTH; };
  if (answer.h_addrtype != IPV4_FAMILY || answer.h_length != IPV4_LENGTH ||
      std::any_of(answer.h_addr_list.begin(), answer.h_addr_list.end(), wrong_size))
    return std::nullopt;
  hostc_hostent copy = ipv4_answer(cut_at_blank(answer.h_name));
  std::transform(answer.h_aliases.begin(), answer.h_aliases.end(), std::back_inserter(copy.h_aliases), cut_at_blank);
  const auto first = answer.h_addr_list.size() >= 2 ? answer.h_addr_list.begin() + 1 : answer.h_addr_list.begin();
  copy.h_addr_list.assign(first, answer.h_addr_list.end());
  return copy;
}

}  // namespace nw

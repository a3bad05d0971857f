// The host-name cache: host references of alarm definitions (DNS name, IPv4 address, hardware
// address, local name) resolved on one resolver thread and kept for the life of the program.
//
// Threads and locks. Requests come from any thread and are queued; the resolver thread serves
// them one at a time, in order, asking the name database and (when "resolve" is on) the
// host-name service, and then calls the request's callback ON THE RESOLVER THREAD WITH NO LOCK
// OF THIS MODULE HELD, so a callback may call any hostc_ operation except hostc_shutdown. A
// callback that hands the entry to other threads does so under the receiver's own lock (the
// alarm lists' mutex), as the entry pointer is written there from the resolver thread.
//
// Entries are never changed once a request has been answered with them or a find has found
// them, and live until hostc_shutdown, so their pointers may be kept and read without a lock.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/netaddr.h"
#include "hostc/hostc_resolve.h"
#include "hostc/hostc_text.h"

namespace nw {

// A name with an address: a hardware-address entry (family Ethernet or Token Ring, named by
// its local name or its address text) or an IPv4 entry (named by the service's official name,
// or by the dotted address when the service had no answer).
struct hostc_entry {
  std::optional<hostc_hostent> hostent;  // the copy of the service's answer, when there was one
  std::string name;
  netaddr addr;
};

inline constexpr int HOSTC_BY_NAME = 0;
inline constexpr int HOSTC_BY_IPV4 = 1;
inline constexpr int HOSTC_BY_HW = 2;

// Called once per queued request with the entry, or nullptr when the reference cannot be
// resolved (a name neither the name database nor the service knows, or "resolve" off).
using hostc_callback = std::function<void(const hostc_entry* entry)>;

// A host reference of an alarm definition: kind HOSTC_BY_NAME with text, HOSTC_BY_IPV4 or
// HOSTC_BY_HW with addr; -1 until the reader sets it. entry is the cache's answer once known:
// the reader stores it there, from the cache or from its request's callback.
struct host_ref {
  const hostc_entry* entry = nullptr;
  int kind = -1;
  netaddr addr;
  std::string text;
};

struct hostc_options {
  // The "resolve" setting, read on the resolver thread before every use of the host-name
  // service. Empty: off.
  std::function<bool()> resolve_enabled;
  // Empty: the system resolver.
  hostc_forward_lookup forward;
  hostc_reverse_lookup reverse;
};

// Makes the empty tables and queue; requests are queued from here on. 1 made, 0 already made.
int hostc_init(const hostc_options& options);
// Starts the resolver thread, which serves what is queued and then waits for more.
// 1 started, 0 not made or already running.
int hostc_thread_start();
// Stops and joins the resolver thread after the request it is serving (a look-up has the
// service's own time-outs; that request's callback still runs), drops the requests still
// queued without calling their callbacks, and frees every entry. hostc_init may follow.
// Must not be called from a callback.
void hostc_shutdown();

// The cached entry or nullptr; never asks the service. Safe from any thread.
[[nodiscard]] const hostc_entry* hostc_find_name(const std::string& name);
[[nodiscard]] const hostc_entry* hostc_find_ip(const netaddr& ip);
[[nodiscard]] const hostc_entry* hostc_find_mac(const netaddr& hw);
// A text with ':' is read as a hardware address and looked up as such; any other text is
// looked up among local names.
[[nodiscard]] const hostc_entry* hostc_find_text(std::string_view text);

// Requests: 1 queued, 0 not (the cache is not made, the address is unset or of another family,
// no memory); the callback then never runs. By the text's hostc_text_kind: a hardware address
// or an IPv4 address is requested as that address, anything else as a name.
[[nodiscard]] int hostc_request_text(std::string_view text, hostc_callback callback);
[[nodiscard]] int hostc_request_ip(const netaddr& ip, hostc_callback callback);
[[nodiscard]] int hostc_request_mac(const netaddr& hw, hostc_callback callback);

[[nodiscard]] host_ref hostc_ref_new();
// Requests ref's host by its kind (a name by its text, through hostc_request_text): the request's
// result; 0 for a null ref; -1 with a line on stderr for a ref whose kind is not set.
[[nodiscard]] int hostc_request_ref(const host_ref* ref, hostc_callback callback);

// Requests waiting for the resolver thread.
[[nodiscard]] std::size_t hostc_queued();

}  // namespace nw

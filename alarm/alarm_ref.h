// Host references of alarms: answered from the host-name cache at once when it holds the host,
// else by the cache's resolver thread later, and written back so that they read again.
//
// The resolver's callback writes the entry into the reference on the resolver thread, so every
// read and write of a reference's entry goes through these functions, under a lock of their
// own that is never held while another lock is taken.
#pragma once

#include <functional>
#include <string>

#include "alarm/alarm_def.h"

namespace nw {

// A reference as the file writes it: by hardware address, by IPv4 address, or by name.
[[nodiscard]] alarm_host alarm_ref_hw(const netaddr& hw);
[[nodiscard]] alarm_host alarm_ref_ipv4(const netaddr& ip);
[[nodiscard]] alarm_host alarm_ref_name(std::string name);

// Takes the cache's entry when it has one: 1. Otherwise asks the cache to resolve the reference:
// 0, and on the resolver thread its answer is stored (none leaves it unresolved) and then
// `done` runs (the editor waits for it). -1 for a null reference or a cache that takes no
// requests (not running); the reference then stays unresolved and is written as it was read.
int alarm_ref_resolve(const alarm_host& ref, std::function<void()> done = {});

// The entry, nullptr while unresolved (or for a null reference). Safe from any thread.
[[nodiscard]] const hostc_entry* alarm_ref_entry(const alarm_host& ref);

// The text that reads back as this host: the entry's address once resolved, else the reference
// as it was read. Empty when there is none that would read back (no reference, an unset
// address, a name holding a double quote).
[[nodiscard]] std::string alarm_ref_text(const alarm_host& ref);

}  // namespace nw

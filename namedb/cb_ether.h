// The ethers name database: local names, IP addresses and IP names of stations by hardware
// address, kept in ethers.dbf/ethers.cdx, and the thread that answers reverse look-ups.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/netaddr.h"
#include "core/parse.h"

namespace nw {

// Names are stored NUL-terminated in 40-byte fields: 39 characters survive whole, and a name
// that fills the field is read as all 40.
inline constexpr std::size_t ETHERS_NAME_MAX = 40;
// A reverse answer is cut to this many characters before its first label is taken.
inline constexpr std::size_t ETHERS_ANSWER_MAX = 80;

// One row of the table. Callers get their own copies: several threads look up at once.
struct name_record {
  netaddr hw;                             // Ethernet or Token Ring
  std::optional<std::string> local_name;  // at most ETHERS_NAME_MAX characters
  std::optional<netaddr> ip;              // IPv4; only when resolve is 1 and not 0.0.0.0
  std::optional<std::string> ip_name;     // only when resolve is 1 and not empty (see for_each)
  int resolve = 1;                        // 1: IP data is kept and looked up for this station
};

struct ethers_options {
  std::string directory = ".";
  // The loaded "multi" file: names of group addresses first seen. May be null.
  const addr_name_table* multicast = nullptr;
  // The program's "resolve" setting, read on the name thread before every look-up (so it must
  // be safe to call from there). Empty: resolving is off.
  std::function<bool()> resolve_enabled;
  // The raw reverse answer for an IPv4 address, "" when there is none. Empty: the system
  // resolver. Called on the name thread without the module's lock.
  std::function<std::string(const netaddr& ip)> reverse_lookup;
};

using ethers_visit = std::function<void(const name_record& record)>;
using ethers_name_done = std::function<void(const std::string& name)>;

// Opens the table in options.directory, recovering from the backup or recreating it when it
// cannot be read, and starts the name thread. 1 with a usable table; -1 when the table could be
// neither opened nor created (look-ups then answer as for unknown stations); 0 when already open.
[[nodiscard]] int ethers_open(const ethers_options& options);
// Stops the name thread (pending requests are dropped), closes the table and refreshes the
// .bak copies when the table was usable.
void ethers_close();
// Closes without backups and forgets the options (tests start clean).
void ethers_reset();

// The station's record; an unknown station is added (no names, resolve 1) and a group address
// then takes its name from the multicast table, or "Multicast".
[[nodiscard]] name_record ethers_lookup_host(const netaddr& hw);
[[nodiscard]] std::optional<name_record> ethers_lookup_address(const netaddr& hw);
// The first station (in name order) whose local name starts with text; none for an empty text.
[[nodiscard]] std::optional<name_record> ethers_lookup_name(std::string_view text);
// 1 written, 0 not stored (not a hardware address, no table), -1 on an engine error.
[[nodiscard]] int ethers_store(const name_record& record);
// 1 when the station's rows were removed, 0 when it had none, -1 on an engine error.
[[nodiscard]] int ethers_delete(const netaddr& hw);
[[nodiscard]] int ethers_delete_all();
// Every station in hardware-address order; a row with resolve 0 reports its stored IP name
// even when empty. The visitor runs under the module's lock and must not call ethers_*.
// 1 done, 0 no table, -1 on an engine error part way.
[[nodiscard]] int ethers_for_each(const ethers_visit& visit);
// Queues a reverse look-up of an IPv4 address; the name thread calls done with the first label
// of the answer, or "" (resolving off, no answer). 1 queued, 0 ignored (not open, not IPv4).
[[nodiscard]] int ethers_request_name(const netaddr& ip, ethers_name_done done);

// The part of a reverse answer kept as an IP name: at most ETHERS_ANSWER_MAX characters, cut
// at the first '.' or, with none, at the first blank.
[[nodiscard]] std::string ethers_cut_name(std::string_view answer);

}  // namespace nw

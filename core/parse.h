// The address-name files ("manufacturers" and "multi"): a hardware address and a name per line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/hashtable.h"
#include "core/netaddr.h"

namespace nw {

using addr_name_table = hash_table<netaddr, std::string>;

// Lines are read in pieces of at most this many characters, each piece taken as a line.
inline constexpr std::size_t ADDR_LINE_MAX = 1023;
// A name keeps at most this many characters.
inline constexpr std::size_t ADDR_NAME_MAX = 511;

// The names of a file keyed by Ethernet address; never fails: a file that cannot be read (or an
// unregistered Ethernet family) gives an empty table. Comment lines ('#' after any blanks) and
// lines that do not parse are skipped; a later line for an address replaces its name.
[[nodiscard]] std::unique_ptr<addr_name_table> addr_file_load(const std::string& path);

// 0 when line starts with six hexadecimal fields and a name, which are stored in addr's octets
// (its family is left as it is) and name; -1 otherwise, and then both are left alone. The name
// is the next field split at ": \t\n" only, so it may hold '.' and '-'; it is cut to
// ADDR_NAME_MAX characters. The line ends at its size or its first NUL.
[[nodiscard]] int addr_line_parse(std::string_view line, netaddr& addr, std::string& name);

}  // namespace nw

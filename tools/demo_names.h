// The demo stations' entries in the ethers name database, as the office's administrator would
// have made them, and writing them into a directory that has no name database yet.
#pragma once

#include <string>

#include "namedb/cb_ether.h"
#include "tools/demo_lan.h"

namespace nw::demo {

// The station's row: its local name, and its IP address with resolve 1 where looking names up
// makes sense. Needs the Ethernet and IPv4 address families registered.
[[nodiscard]] name_record demo_name_record(const demo_station& station);

// True when directory holds any file of a name database (the table, its index or their
// backups): names a user keeps there must never be replaced by the demo's.
[[nodiscard]] bool demo_names_database_exists(const std::string& directory);

// Creates the ethers table in directory with a row per demo station, through the name
// database module (which must not be open). 1 written; 0 left alone because a name database
// is there already; -1 on failure, with *error set and no partial database left behind.
[[nodiscard]] int demo_names_write(const std::string& directory, std::string* error);

}  // namespace nw::demo

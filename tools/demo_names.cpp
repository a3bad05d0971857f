// Writing the demo stations' names into a fresh ethers table.
#include "tools/demo_names.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "core/netaddr.h"

namespace nw::demo {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 4> DATABASE_FILES{"ethers.dbf", "ethers.cdx", "ethers.dbf.bak", "ethers.cdx.bak"};

template <std::size_t N>
netaddr address(std::uint32_t family, const std::array<std::uint8_t, N>& octets) {
  netaddr addr;
  netaddr_init(addr, family);
  std::copy(octets.begin(), octets.end(), netaddr_bytes(addr));
  return addr;
}

// We know nothing existed before we began, so everything there now is ours to take back.
void remove_database(const std::string& directory) {
  std::error_code ec;
  for (const char* file : DATABASE_FILES) fs::remove(fs::path(directory) / file, ec);
}

}  // namespace

name_record demo_name_record(const demo_station& station) {
  name_record r;
  r.hw = address(NETADDR_ETHER, station.mac);
  r.local_name = std::string(station.name);
  // The router forwards the whole Internet's packets: the first source address seen from it
  // would be a stranger's. Stations without IP have nothing to look up.
  const bool speaks_ip = station.ip != std::array<std::uint8_t, 4>{};
  r.resolve = speaks_ip && station.role != station_role::router ? 1 : 0;
  if (r.resolve == 1) r.ip = address(NETADDR_IPV4, station.ip);
  return r;
}

bool demo_names_database_exists(const std::string& directory) {
  std::error_code ec;
  return std::any_of(DATABASE_FILES.begin(), DATABASE_FILES.end(),
                     [&](const char* file) { return fs::exists(fs::path(directory) / file, ec) || ec; });
}

int demo_names_write(const std::string& directory, std::string* error) {
  if (demo_names_database_exists(directory)) return 0;
  ethers_options options;
  options.directory = directory;
  if (ethers_open(options) != 1) {
    ethers_reset();
    remove_database(directory);
    if (error != nullptr) *error = "cannot create the name database in " + directory;
    return -1;
  }
  for (const demo_station& station : demo_stations()) {
    if (ethers_store(demo_name_record(station)) != 1) {
      ethers_reset();
      remove_database(directory);
      if (error != nullptr) *error = "cannot store the name of " + std::string(station.name);
      return -1;
    }
  }
  ethers_close();
  return 1;
}

}  // namespace nw::demo

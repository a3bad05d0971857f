// The demo office's cast: which station plays which part.
#include "tools/demo_office.h"

#include <algorithm>

#include "tools/demo_link.h"

namespace nw::demo {
namespace {

std::size_t first(std::span<const demo_station> stations, station_role role) {
  const auto it =
      std::find_if(stations.begin(), stations.end(), [role](const demo_station& s) { return s.role == role; });
  return static_cast<std::size_t>(it - stations.begin());
}

}  // namespace

office::office()
    : stations(demo_stations()),
      gateway(first(stations, station_role::router)),
      files(first(stations, station_role::file_server)),
      mail(first(stations, station_role::mail_server)),
      intranet(first(stations, station_role::web_server)),
      monitor(first(stations, station_role::monitor)),
      netware(first(stations, station_role::netware_server)) {}

endpoint office::at(std::size_t s) const { return {stations[s].mac, stations[s].ip}; }

endpoint office::subnet_broadcast(std::size_t s) const {
  const ipv4_addr ip = stations[s].ip;
  return {BROADCAST, {ip[0], ip[1], ip[2], 255}};
}

endpoint office::remote(const ipv4_addr& ip) const { return {stations[gateway].mac, ip}; }

std::vector<std::size_t> office::all(station_role role) const {
  std::vector<std::size_t> out;
  for (std::size_t s = 0; s < stations.size(); ++s) {
    if (stations[s].role == role) out.push_back(s);
  }
  return out;
}

}  // namespace nw::demo

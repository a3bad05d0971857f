// The demo LAN's stations: one table that both the capture and the name database are made from.
#include <array>

#include "tools/demo_lan.h"

namespace nw::demo {
namespace {

// Locally administered addresses: they belong to no vendor.
constexpr std::array<std::uint8_t, 6> station_mac(unsigned n) {
  return {0x02, 0x4E, 0x57, 0x10, 0x00, static_cast<std::uint8_t>(n)};
}
constexpr std::array<std::uint8_t, 4> lan_ip(unsigned host) {
  return {192, 168, 10, static_cast<std::uint8_t>(host)};
}
constexpr std::array<std::uint8_t, 4> voice_ip(unsigned host) {
  return {192, 168, 20, static_cast<std::uint8_t>(host)};
}
constexpr std::array<std::uint8_t, 4> NO_IP{};

// A workstation's address follows its MAC: 101 and up.
constexpr demo_station desk(std::string_view name, unsigned n, station_role role = station_role::workstation) {
  return {name, station_mac(n), lan_ip(n), role};
}

using enum station_role;

constexpr std::array<demo_station, 40> STATIONS{{
    {"GATEWAY", station_mac(1), lan_ip(1), router},
    {"SW-CORE", station_mac(2), lan_ip(2), lan_switch},
    {"SW-FLOOR1", station_mac(3), lan_ip(3), lan_switch},
    {"SW-FLOOR2", station_mac(4), lan_ip(4), lan_switch},
    {"FILES", station_mac(10), lan_ip(10), file_server},
    {"MAIL", station_mac(11), lan_ip(11), mail_server},
    {"INTRANET", station_mac(12), lan_ip(12), web_server},
    {"MONITOR", station_mac(13), lan_ip(13), monitor},
    {"PRINTER-HALL", station_mac(20), lan_ip(20), printer},
    {"PRINTER-ACCTS", station_mac(21), lan_ip(21), printer},
    {"NW-SERVER", station_mac(30), NO_IP, netware_server},
    {"STOCK-DOS", station_mac(31), NO_IP, netware_client},
    {"PHONE-12", station_mac(40), voice_ip(40), phone},
    {"PHONE-14", station_mac(41), voice_ip(41), phone},
    desk("ACCOUNTS1", 101),
    desk("ACCOUNTS2", 102),
    desk("ACCOUNTS3", 103),
    desk("RECEPTION", 104),
    desk("ANNA-PC", 105),
    desk("BORIS-PC", 106),
    desk("CLARA-PC", 107),
    desk("DMITRI-PC", 108),
    desk("ELENA-PC", 109),
    desk("FELIX-PC", 110),
    desk("GRETA-PC", 111),
    desk("HUGO-PC", 112),
    desk("IRINA-PC", 113),
    desk("JONAS-PC", 114),
    desk("KATYA-PC", 115),
    desk("LEON-PC", 116),
    desk("MARTA-PC", 117),
    desk("NIKO-PC", 118),
    desk("OLGA-PC", 119),
    desk("PAVEL-PC", 120),
    desk("ROSA-PC", 121),
    desk("SVEN-PC", 122),
    desk("CAD-WS1", 123, cad_workstation),
    desk("CAD-WS2", 124, cad_workstation),
    desk("SALES-LAPTOP", 125, laptop),
    desk("LAB-LAPTOP", 126, laptop),
}};

}  // namespace

std::span<const demo_station> demo_stations() { return STATIONS; }

}  // namespace nw::demo

// A generated office LAN: forty named stations talking for four minutes, for trying the program
// without a capture of one's own, for benchmarking without the capture corpus, and, with the
// stations' names in the name database, for a map whose discs carry names.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nw::demo {

struct demo_frame {
  std::uint64_t time_us = 0;  // since the Unix epoch
  std::vector<std::uint8_t> octets;
};

// What a station is; the scenario gives each kind its own habits.
enum class station_role : std::uint8_t {
  router,          // the way out; also DHCP, DNS and NTP server
  lan_switch,      // announces itself (spanning tree, LLDP, CDP), answers SNMP, sends syslog
  file_server,
  mail_server,
  web_server,      // the intranet
  monitor,         // polls the switches and printers, receives their syslog
  netware_server,  // IPX only
  netware_client,  // IPX only
  printer,
  phone,           // on the voice VLAN
  workstation,
  cad_workstation,  // pulls large drawings from the file server
  laptop,           // joins late through DHCP
};

struct demo_station {
  std::string_view name;  // the local name the administrator gave it
  std::array<std::uint8_t, 6> mac;
  std::array<std::uint8_t, 4> ip;  // 0.0.0.0 for a station that speaks no IP
  station_role role;
};

// Every station of the demo LAN, the same on every call. Group addresses are not stations.
[[nodiscard]] std::span<const demo_station> demo_stations();

// Every frame of the demo LAN in time order. The same on every call and every platform.
[[nodiscard]] std::vector<demo_frame> demo_lan_frames();

// The frames as a classic capture file: little-endian, microsecond timestamps, Ethernet.
[[nodiscard]] std::vector<std::uint8_t> pcap_image(const std::vector<demo_frame>& frames);

// false when the file could not be written.
[[nodiscard]] bool write_pcap(const std::string& path, const std::vector<demo_frame>& frames);

// A capture file written frame by frame, for captures too large to hold in memory.
class pcap_writer {
 public:
  // false when the file cannot be made.
  [[nodiscard]] bool open(const std::string& path);
  void add(std::uint64_t time_us, const std::vector<std::uint8_t>& frame);
  // false when anything could not be written.
  [[nodiscard]] bool close();

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, std::fclose};
  bool failed_ = false;
};

}  // namespace nw::demo

// A small generated office LAN: two dozen stations talking for two minutes, for trying the
// program without a capture of one's own and for benchmarking without the capture corpus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nw::demo {

struct demo_frame {
  std::uint64_t time_us = 0;  // since the Unix epoch
  std::vector<std::uint8_t> octets;
};

// Every frame of the demo LAN in time order. The same on every call and every platform.
[[nodiscard]] std::vector<demo_frame> demo_lan_frames();

// The frames as a classic capture file: little-endian, microsecond timestamps, Ethernet.
[[nodiscard]] std::vector<std::uint8_t> pcap_image(const std::vector<demo_frame>& frames);

// false when the file could not be written.
[[nodiscard]] bool write_pcap(const std::string& path, const std::vector<demo_frame>& frames);

}  // namespace nw::demo

// Helpers shared by the capture tests: capture files in a folder of the test's own, demo LAN
// frames re-timed as a test needs them, and the messages the engine shows.
#pragma once

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "capture/adapter_list.h"
#include "core/message.h"
#include "core/netaddr.h"
#include "tools/demo_lan.h"

namespace nw::test {

// A fresh folder, removed with everything in it.
struct temp_dir {
  std::filesystem::path path;
  temp_dir() {
    char name[] = "/tmp/nwcap-XXXXXX";
    path = mkdtemp(name);
  }
  ~temp_dir() { std::filesystem::remove_all(path); }
  [[nodiscard]] std::string file(const std::string& name) const { return (path / name).string(); }
};

// The demo LAN's frames again and again, frame i stamped start_us + i x step_us.
inline std::vector<demo::demo_frame> demo_frames(std::size_t count, std::uint64_t step_us,
                                                 std::uint64_t start_us = 1'700'000'000'000'000) {
  static const std::vector<demo::demo_frame> lan = demo::demo_lan_frames();
  std::vector<demo::demo_frame> frames;
  for (std::size_t i = 0; i < count; ++i) frames.push_back({start_us + i * step_us, lan[i % lan.size()].octets});
  return frames;
}

// A broadcast Ethernet frame of `size` octets from 02:4E:57:00:00:<station>, carrying an IPv4
// header from 10.77.0.<station>.
inline demo::demo_frame station_frame(std::uint8_t station, std::size_t size, std::uint64_t time_us = 0) {
  std::vector<std::uint8_t> f{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x4E, 0x57, 0x00, 0x00, station, 0x08, 0x00,
                              0x45, 0,    0,    20,   0,    0,    0,    0,    64,   17,   0,    0,       10,   77,
                              0,    station, 10, 77,  0,    255};
  f.resize(size, 0);
  return {time_us, f};
}

inline netaddr station_mac(std::uint8_t station) {
  netaddr mac;
  netaddr_init(mac, NETADDR_ETHER);
  const std::uint8_t octets[6] = {0x02, 0x4E, 0x57, 0x00, 0x00, station};
  std::copy(octets, octets + 6, netaddr_bytes(mac));
  return mac;
}

// A capture file of any link type, written by the library itself.
inline void write_capture(const std::string& path, int dlt, const std::vector<demo::demo_frame>& frames) {
  pcap_t* dead = pcap_open_dead(dlt, 65535);
  pcap_dumper_t* out = pcap_dump_open(dead, path.c_str());
  ASSERT_NE(out, nullptr) << pcap_geterr(dead);
  for (const demo::demo_frame& f : frames) {
    pcap_pkthdr h{};
    h.ts.tv_sec = static_cast<time_t>(f.time_us / 1'000'000);
    h.ts.tv_usec = static_cast<suseconds_t>(f.time_us % 1'000'000);
    h.caplen = h.len = static_cast<bpf_u_int32>(f.octets.size());
    pcap_dump(static_cast<u_char*>(static_cast<void*>(out)), &h, f.octets.data());
  }
  pcap_dump_close(out);
  pcap_close(dead);
}

inline adapter_desc file_adapter(const std::string& path) {
  adapter_desc adapter;
  std::string error;
  EXPECT_EQ(adapter_from_file(path, adapter, error), 1) << error;
  return adapter;
}

// The messages shown while it lives, from any thread.
struct message_log {
  std::mutex mutex;
  std::vector<message> shown;
  message_log() {
    message_set_hook([this](const message& m) {
      std::lock_guard lock(mutex);
      shown.push_back(m);
    });
  }
  ~message_log() { message_set_hook({}); }
};

}  // namespace nw::test

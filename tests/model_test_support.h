// Helpers shared by the network-model tests: a clean model with a scripted name database.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/message.h"
#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "netaddr_test_support.h"

namespace nw::test {

inline netaddr mac_of(std::uint8_t last, std::uint8_t first = 0x00) {
  return make_addr(NETADDR_ETHER, {first, 0xA0, 0xC9, 0x14, 0xC8, last});
}

inline netaddr ip_of(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return make_addr(NETADDR_IPV4, {a, b, c, d});
}

inline capture_time at(std::int32_t sec, std::int32_t usec = 0) { return capture_time{sec, usec}; }

// The record's means become the given sample: taken this pass and held for ten more.
inline void hold_means(moving_avg_pairs& averages, std::uint32_t record, double frames, double bytes) {
  averages.add(record, static_cast<std::uint64_t>(frames), static_cast<std::uint64_t>(bytes));
  for (int i = 0; i < MOVING_AVG_SAMPLES; ++i) averages.next_slot();
}

// The name database as a test scripts it: records by hardware-address text, reverse look-ups
// kept until the test answers them, and what the model stored.
struct fake_names {
  std::map<std::string, name_record> records;
  struct request {
    netaddr ip;
    ethers_name_done done;
  };
  std::vector<request> requests;
  std::vector<name_record> stored;

  node_name_service service() {
    return {[this](const netaddr& hw) {
              auto it = records.find(netaddr_to_text_new(hw));
              if (it != records.end()) return it->second;
              name_record fresh;
              fresh.hw = hw;
              return fresh;
            },
            [this](const netaddr& ip, ethers_name_done done) {
              requests.push_back({ip, std::move(done)});
              return 1;
            },
            [this](const name_record& r) {
              stored.push_back(r);
              return 1;
            }};
  }
};

// Every test starts with the three address families, no networks, default settings and the
// scripted name database, and one Ethernet network to work in.
class model_test : public with_families {
 protected:
  void SetUp() override {
    with_families::SetUp();
    net_list_init();
    model_config_reset();
    node_reset();
    node_set_name_service(names.service());
    network = net_new(adapter_desc{"eth0", "test", NETTYPE_ETHERNET});
  }
  void TearDown() override {
    net_list_init();
    node_reset();
  }

  // What the frame handler does for one frame before the window: hosts, totals and link.
  link* carry(node& s, node& d, std::uint32_t len) {
    s.tx_pkts += 1;
    s.tx_bytes += len;
    d.rx_pkts += 1;
    d.rx_bytes += len;
    link* l = link_find(s, d.mac);
    if (l == nullptr) l = link_create(s, d);
    l->pkts += 1;
    l->bytes += len;
    return l;
  }

  fake_names names;
  net* network = nullptr;
};

}  // namespace nw::test

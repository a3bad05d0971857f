// Hosts: one record per hardware address seen, with its names, counters and links.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/hashtable.h"
#include "core/hutil.h"
#include "core/netaddr.h"
#include "core/parse.h"
#include "core/timer.h"
#include "model/link_table.h"
#include "namedb/cb_ether.h"

namespace nw {

struct net;
struct link;

inline constexpr std::size_t LABEL_TEXT_SIZE = 80;  // 79 characters and the terminator
inline constexpr std::int32_t LABEL_STATE_DEFAULT = 7;  // white

// A name as the map draws it, measured once when its text changes. Empty: no such name.
struct name_label {
  std::array<char, LABEL_TEXT_SIZE> text{};
  float width = 0.0f;
  float height = 0.0f;
  std::int32_t state = LABEL_STATE_DEFAULT;
};

// Counters are 64-bit: a busy host passes 4 GiB within a minute on a gigabit segment.
// What a frame touches fills the first two cache lines (the sender's side, then the
// receiver's); what the ageing pass, iteration and drawing read comes after.
struct alignas(64) node {
  std::uint64_t tx_pkts_sec = 0, tx_pkts = 0, tx_pkts_sec2 = 0;
  std::uint64_t tx_bytes_sec = 0, tx_bytes = 0, tx_bytes_sec2 = 0;
  capture_time last_tx;
  std::int32_t active = 0;
  std::int32_t senders_pos = -1;

  std::uint64_t rx_pkts_sec = 0, rx_pkts = 0, rx_pkts_sec2 = 0;
  std::uint64_t rx_bytes_sec = 0, rx_bytes = 0, rx_bytes_sec2 = 0;
  capture_time last_rx;
  std::int32_t receivers_pos = -1;

  // In creation order: the record of the network's host averages (tx_pkts_avg and
  // tx_bytes_avg) and the host's place in its ageing pass's sets.
  std::uint32_t number = 0;

  net* network = nullptr;
  const char* name = nullptr;  // local_label's text when the host has a local name
  netaddr mac;                 // the key: Ethernet or Token Ring
  std::unique_ptr<netaddr> ip;
  std::uint64_t ip_key = 0;  // ip's addr_key, 0 without one: a new link is entered under it
  // Walked by the map and the host report; look-ups by address go through the network's
  // link_index. Both in the fourth cache line: a new link reads the ends of both.
  link_table links_out;  // by destination's mac
  link_table links_in;   // by source's mac
  std::int32_t resolve = 1;
  const char* mac_text = nullptr;

  name_label ip_label, dns_label, local_label, mac_label, manuf_label;

  double map_x = 0.0, map_y = 0.0;  // written by the map
  std::int32_t map_word1 = 0, map_word2 = 0;

  node();
  ~node();
  node(const node&) = delete;
  node& operator=(const node&) = delete;
};

// Where hosts get their names: the ethers name database unless a test sets others.
struct node_name_service {
  std::function<name_record(const netaddr& hw)> lookup;
  std::function<int(const netaddr& ip, ethers_name_done done)> request;
  std::function<int(const name_record& record)> store;
};
void node_set_name_service(node_name_service service);
// The manufacturer table (keyed by the first three octets, the rest zero); may be null.
void node_set_manufacturers(const addr_name_table* table);
// Back to the name database and no manufacturer table (tests start clean).
void node_reset();

// Sets text (cut to 79 characters), width and height; an empty text gives width and height 0.
void label_set(name_label& label, std::string_view text);
void label_clear(name_label& label);
[[nodiscard]] inline bool label_empty(const name_label& label) { return label.text[0] == '\0'; }

// Ethernet or Token Ring by hardware address, IPv4 by IP address; nullptr otherwise. Never
// allocates.
[[nodiscard]] node* node_find(const net& network, const netaddr& address);
// The new host, entered into the network's tables and host_list; its names come from the name
// database and the manufacturer table. Caller holds the model lock.
node* node_create(net& network, const netaddr& mac);
// The source address of an IP frame; learned only when resolve is 1. Queues the reverse look-up.
void node_learn_ip(node& host, const std::uint8_t* ip_octets);
// The resolver's answer; runs on the name thread and takes the model lock itself.
void node_name_resolved(const std::string& name, node& host);
// From the name editor; take the model lock themselves.
void node_set_local_name(node& host, std::string_view name);
void node_clear_ip(node& host);

// The four name labels (not the manufacturer's) take `state`.
void node_set_label_state(node& host, std::int32_t state);
// The local name, else the IP name, else the IP address text, else the hardware address text.
[[nodiscard]] const char* node_best_label(const node& host);
// netaddr_compare of the hosts' macs; -1 when either is missing.
[[nodiscard]] int node_compare(const node* a, const node* b);
// One host's share of the ageing pass: a moving-average sample of what it sent in the last
// second (kept by the network's host averages, whose pass has moved on), and active while it
// sent within the node time-out before now.
void node_age(node& host, capture_time now, moving_avg_pairs& averages);
// The moment from which node_age finds the host inactive, unless it sends or receives again.
[[nodiscard]] std::int64_t node_idle_at_us(const node& host);
// The means of tx_pkts_avg and tx_bytes_avg as of the last ageing pass.
[[nodiscard]] moving_means node_tx_avg(const node& host);

}  // namespace nw

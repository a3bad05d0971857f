// Any protocol file, however broken, must end in messages or a tree: never a crash, a hang or
// runaway memory. A tree that loads is then walked with a few fixed frames from its root and
// from each media node, and the nodes a frame matched must be found again by name.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"
#include "pdl/pd.h"
#include "pdl/pd_model.h"
#include "pdl/pdl.h"

namespace {

// An Ethernet II frame with IPv4 and the start of a TCP header.
constexpr std::array<std::uint8_t, 54> ETHERNET_IPV4_TCP{
    0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02, 0x08, 0x00,  //
    0x45, 0x00, 0x00, 0x28, 0x12, 0x34, 0x40, 0x00, 0x40, 0x06, 0x00, 0x00,              //
    0xC0, 0xA8, 0x01, 0x02, 0xC0, 0xA8, 0x01, 0x01,                                      //
    0xC0, 0x01, 0x00, 0x50, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x50, 0x02,  //
    0xFA, 0xF0, 0x00, 0x00, 0x00, 0x00};

// An IEEE 802.3 frame with LLC for spanning tree.
constexpr std::array<std::uint8_t, 24> IEEE802_3_LLC{
    0x01, 0x80, 0xC2, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x26,  //
    0x42, 0x42, 0x03, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x02};

// A Token Ring LLC frame, source-routed, carrying SNAP and IPv4.
constexpr std::array<std::uint8_t, 32> TOKEN_RING_LLC{
    0x10, 0x40, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x82, 0x00, 0x00, 0x00, 0x00, 0x02,  //
    0x02, 0x30, 0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00,                          //
    0x45, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00};

constexpr std::array<std::uint8_t, 64> ALL_ONES = [] {
  std::array<std::uint8_t, 64> a{};
  a.fill(0xFF);
  return a;
}();
constexpr std::array<std::uint8_t, 64> ALL_ZEROS{};
constexpr std::array<std::uint8_t, 5> SHORT{0x00, 0x01, 0x02, 0x03, 0x04};

constexpr std::array<std::span<const std::uint8_t>, 7> FRAMES{
    ETHERNET_IPV4_TCP, IEEE802_3_LLC, TOKEN_RING_LLC, ALL_ONES, ALL_ZEROS, SHORT, {}};

// Naming every matched node searches the whole tree for each; beyond this size it would only
// slow the fuzzer down.
constexpr std::size_t NAMING_NODE_LIMIT = 5000;

void walk(nw::protocol_node* start) {
  const bool name_nodes = nw::pd_node_count() <= NAMING_NODE_LIMIT;
  for (const auto frame : FRAMES) {
    const nw::decode_path& path = nw::pd_decode(frame, static_cast<std::int32_t>(frame.size()), start);
    std::size_t depth = 0;
    while (depth < path.size() && path[depth] != nullptr) ++depth;
    if (depth > nw::PDL_PATH_MAX) __builtin_trap();  // the path lost its terminator
    if (!name_nodes) continue;
    // The walk only moves to later siblings and to children, so the search from the start
    // node must reach every node it matched.
    for (std::size_t i = 0; i < depth; ++i) {
      std::string name;
      if (nw::pd_path_name(start, path[i], &name) != 1 || name.empty()) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  nw::message_set_hook([](const nw::message&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  nw::protocol_node* root = nw::pdl_load_text(text);
  if (root == nullptr) return 0;
  walk(root);
  for (const char* media : {"ROOT\\ETHERNET", "ROOT\\TOKENRING"}) {
    if (nw::protocol_node* node = nw::pd_find_path(root, media)) walk(node);
  }
  return 0;
}

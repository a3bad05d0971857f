// Any octets, as an Ethernet frame and as a Token Ring frame, must decode through the shipped
// protocol tree without reading outside the frame. $NODEWREN_PROTOCOLS overrides the file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "pdl/pd.h"
#include "pdl/pdl.h"

namespace {

nw::protocol_node* ethernet = nullptr;
nw::protocol_node* token_ring = nullptr;

// The decoder's code paths are few; its variety lies in which tree nodes a frame reaches. These
// counters make reaching a new node count as new coverage for libFuzzer.
__attribute__((section("__libfuzzer_extra_counters"))) std::uint8_t node_counters[1 << 16];

void count_path(const nw::decode_path& path) {
  for (std::size_t depth = 0; depth < path.size() && path[depth] != nullptr; ++depth) {
    const auto address = reinterpret_cast<std::uintptr_t>(path[depth]);
    const std::size_t slot = (address >> 3) * 0x9E3779B97F4A7C15ULL >> 48;  // 16 bits of a hash
    node_counters[slot] = static_cast<std::uint8_t>(node_counters[slot] + 1);
  }
}

void decode(std::span<const std::uint8_t> frame, nw::protocol_node* start) {
  const nw::decode_path& path = nw::pd_decode(frame, static_cast<std::int32_t>(frame.size()), start);
  if (std::find(path.begin(), path.end(), nullptr) == path.end()) __builtin_trap();  // no terminator
  count_path(path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* env = std::getenv("NODEWREN_PROTOCOLS");
  const std::string path = env != nullptr ? env : NODEWREN_SOURCE_DIR "/data/protocol.pdl";
  nw::protocol_node* root = nw::pdl_load(path);
  ethernet = root != nullptr ? nw::pd_find_path(root, "ROOT\\ETHERNET") : nullptr;
  token_ring = root != nullptr ? nw::pd_find_path(root, "ROOT\\TOKENRING") : nullptr;
  if (ethernet == nullptr || token_ring == nullptr) {
    std::fprintf(stderr, "%s: no tree with ROOT\\ETHERNET and ROOT\\TOKENRING\n", path.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // libFuzzer hands over a heap block of exactly the input's length: AddressSanitizer catches any
  // read past the frame.
  const std::span<const std::uint8_t> frame(data, size);
  decode(frame, ethernet);
  decode(frame, token_ring);
  return 0;
}

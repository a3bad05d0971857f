// Any octets, as an Ethernet frame and as a Token Ring frame, through the whole frame path:
// classification, hosts, links, IP learning, MAC frames and the window. The first octet picks
// the link type. Networks are started afresh now and then so memory stays bounded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "capture/frame.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pdl.h"

namespace {

constexpr int INPUTS_PER_NETWORK = 5000;

nw::net* ethernet = nullptr;
nw::net* token_ring = nullptr;
int inputs = 0;
std::int32_t clock_usec = 0;

void fresh_networks() {
  nw::net_list_init();
  ethernet = nw::net_new(nw::adapter_desc{"eth0", "fuzz", nw::NETTYPE_ETHERNET});
  token_ring = nw::net_new(nw::adapter_desc{"tr0", "fuzz", nw::NETTYPE_TOKEN_RING});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  (void)nw::netaddr_ether_register();
  (void)nw::netaddr_ipv4_register();
  (void)nw::netaddr_tr_register();
  nw::node_set_name_service({});  // no name database: the frame path alone
  if (nw::pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl") == nullptr) {
    std::fprintf(stderr, "cannot load data/protocol.pdl\n");
    std::abort();
  }
  fresh_networks();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (++inputs % INPUTS_PER_NETWORK == 0) fresh_networks();
  const std::span<const std::uint8_t> frame(data + 1, size - 1);
  clock_usec = (clock_usec + 997) % 1'000'000;
  const nw::frame_header header{nw::capture_time{1'700'000'000, clock_usec},
                                static_cast<std::uint32_t>(frame.size()) + (data[0] & 0x80u) * 512};
  nw::model_lock lock;
  if ((data[0] & 1) == 0) {
    (void)nw::netif_ether_frame(*ethernet, header, frame);
  } else {
    (void)nw::netif_tr_frame(*token_ring, header, frame);
  }
  return 0;
}

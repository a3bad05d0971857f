// Any octets as a Token Ring MAC frame between two real hosts: the decoder must stay inside the
// frame, add at most one event line of sane length, and leave only the map's label colours.
// The first two octets choose which event switches are on, so silenced events are explored too.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "capture/trmac.h"
#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "output/event_list.h"

namespace {

nw::net* ring = nullptr;
nw::node* named = nullptr;    // best label: its local name
nw::node* unnamed = nullptr;  // best label: its hardware address
std::size_t lines_added = 0;

nw::node* host(std::uint8_t last) {
  nw::netaddr mac;
  nw::netaddr_init(mac, nw::NETADDR_TR);
  const std::uint8_t octets[] = {0x10, 0x00, 0x5A, 0x4C, 0x22, last};
  std::copy(std::begin(octets), std::end(octets), nw::netaddr_bytes(mac));
  return nw::node_create(*ring, mac);
}

bool colour_ok(const nw::node& h) {
  for (std::int32_t s : {h.ip_label.state, h.dns_label.state, h.local_label.state, h.mac_label.state}) {
    if (s != 1 && s != 2 && s != 3 && s != 7) return false;
  }
  return h.manuf_label.state == 7;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  nw::netaddr_registry_init();
  if (nw::netaddr_ether_register() + nw::netaddr_ipv4_register() + nw::netaddr_tr_register() != 3) std::abort();
  // No name database: hosts are named here, and no look-up leaves the process.
  nw::node_set_name_service({[](const nw::netaddr& hw) {
                               nw::name_record record;
                               record.hw = hw;
                               if (nw::netaddr_bytes(hw)[5] == 0x01) record.local_name = "ws12";
                               return record;
                             },
                             {}, {}});
  nw::net_list_init();
  ring = nw::net_new(nw::adapter_desc{"tr0", "fuzz", nw::NETTYPE_TOKEN_RING});
  nw::model_lock lock;
  named = host(0x01);
  unnamed = host(0x02);
  nw::output_event_list().set_listener([] { ++lines_added; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned mask = static_cast<unsigned>(data[0] | data[1] << 8);
  for (std::size_t i = 0; i < nw::TRMAC_FLAGS; ++i) nw::trmac_set_flag(i, (mask >> i & 1) != 0);
  // A view of the input's own heap block: AddressSanitizer catches any read past the frame.
  const std::span<const std::uint8_t> frame(data + 2, size - 2);

  const std::size_t before = lines_added;
  {
    nw::model_lock lock;
    nw::trmac_frame(*ring, *named, *unnamed, frame);
  }
  if (lines_added - before > 1) __builtin_trap();
  if (lines_added != before) {
    const std::string text = nw::output_event_list().lines().back().text;
    if (text.empty() || text.size() > 255) __builtin_trap();
  }
  if (nw::output_event_list().size() > nw::OUTPUT_LIST_MAX) __builtin_trap();
  if (!colour_ok(*named) || !colour_ok(*unnamed)) __builtin_trap();
  // The frame's vector cannot rename anyone.
  if (std::string(nw::node_best_label(*named)) != "ws12") __builtin_trap();
  return 0;
}

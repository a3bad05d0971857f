// What the demo LAN's switches say about themselves: spanning-tree configuration BPDUs and the
// LLDP and CDP announcements that name them.
#pragma once

#include <string_view>

#include "tools/demo_packer.h"

namespace nw::demo {

// A configuration BPDU (after the LLC header) sent by `bridge` on `port`; a bridge that is not
// the root announces one hop's cost to it.
[[nodiscard]] bytes stp_bpdu(const mac_addr& root_bridge, const mac_addr& bridge, unsigned port);
// An LLDPDU: chassis, port, time to live, system name and capabilities.
[[nodiscard]] bytes lldp(const mac_addr& chassis, std::string_view port, std::string_view system_name);
// A CDP version 2 message (after LLC and SNAP) with its checksum. The checksum is only
// unambiguous for an even length, which the texts' lengths decide.
[[nodiscard]] bytes cdp(std::string_view device, std::string_view port, std::string_view platform);

}  // namespace nw::demo

// Spanning-tree, LLDP and CDP messages of the demo LAN's switches.
#include "tools/demo_bridge.h"

namespace nw::demo {
namespace {

bytes lldp_tlv(unsigned type, const bytes& value) {
  return packer().u16(type << 9 | size16(value)).put(value).take();
}

bytes cdp_tlv(unsigned type, const bytes& value) {
  return packer().u16(type).u16(4 + size16(value)).put(value).take();
}

}  // namespace

bytes stp_bpdu(const mac_addr& root_bridge, const mac_addr& bridge, unsigned port) {
  return packer()
      .u16(0).u8(0).u8(0).u8(0)                  // protocol, version, configuration BPDU, flags
      .u16(0x8000).put(root_bridge).u32(root_bridge == bridge ? 0 : 4)
      .u16(0x8000).put(bridge).u16(0x8000 | port)
      .u16(root_bridge == bridge ? 0 : 256)      // message age: one hop from the root
      .u16(20 * 256).u16(2 * 256).u16(15 * 256)  // ages and timers in 1/256 s
      .take();
}

bytes lldp(const mac_addr& chassis, std::string_view port, std::string_view system_name) {
  return packer()
      .put(lldp_tlv(1, packer().u8(4).put(chassis).take()))
      .put(lldp_tlv(2, packer().u8(5).text(port).take()))
      .put(lldp_tlv(3, packer().u16(120).take()))
      .put(lldp_tlv(5, packer().text(system_name).take()))
      .put(lldp_tlv(7, packer().u16(0x0014).u16(0x0004).take()))  // bridge and router, bridge on
      .put(lldp_tlv(0, {}))
      .take();
}

bytes cdp(std::string_view device, std::string_view port, std::string_view platform) {
  bytes message = packer()
                      .u8(2).u8(180).u16(0)
                      .put(cdp_tlv(0x0001, packer().text(device).take()))
                      .put(cdp_tlv(0x0003, packer().text(port).take()))
                      .put(cdp_tlv(0x0004, packer().u32(0x00000028).take()))  // switch, IGMP
                      .put(cdp_tlv(0x0005, packer().text("Switch OS 15.2(4)E10").take()))
                      .put(cdp_tlv(0x0006, packer().text(platform).take()))
                      .put(cdp_tlv(0x000B, packer().u8(1).take()))  // full duplex
                      .take();
  // Receivers disagree on how an odd last octet enters the checksum.
  store16(message, 2, fold(sum_words(message)));
  return message;
}

}  // namespace nw::demo

// Ethernet, 802.3, 802.1Q, LLC and SNAP headers for the demo LAN.
#include "tools/demo_link.h"

namespace nw::demo {

bytes ethernet(const mac_addr& dst, const mac_addr& src, unsigned type_or_length, const bytes& payload) {
  bytes frame = packer().put(dst).put(src).u16(type_or_length).put(payload).take();
  if (frame.size() < ETHERNET_MIN) frame.resize(ETHERNET_MIN, 0);
  return frame;
}

bytes ieee802_3(const mac_addr& dst, const mac_addr& src, const bytes& payload) {
  return ethernet(dst, src, size16(payload), payload);
}

bytes vlan_tag(unsigned priority, unsigned vlan, unsigned type, const bytes& payload) {
  return packer().u16(priority << 13 | vlan).u16(type).put(payload).take();
}

bytes llc(unsigned dsap, unsigned ssap, const bytes& payload) {
  return packer().u8(dsap).u8(ssap).u8(0x03).put(payload).take();  // unnumbered information
}

bytes snap(std::uint32_t oui, unsigned type, const bytes& payload) {
  return llc(0xAA, 0xAA, packer().u24(oui).u16(type).put(payload).take());
}

}  // namespace nw::demo

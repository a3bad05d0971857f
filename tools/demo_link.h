// The demo LAN's link layer: Ethernet II and 802.3 framing, the 802.1Q tag, 802.2 LLC and
// SNAP, and the group addresses the switches and hosts send to.
#pragma once

#include "tools/demo_packer.h"

namespace nw::demo {

inline constexpr std::size_t ETHERNET_MIN = 60;  // without the frame check sequence
inline constexpr mac_addr BROADCAST{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr mac_addr STP_GROUP{0x01, 0x80, 0xC2, 0x00, 0x00, 0x00};
inline constexpr mac_addr LLDP_GROUP{0x01, 0x80, 0xC2, 0x00, 0x00, 0x0E};
inline constexpr mac_addr CDP_GROUP{0x01, 0x00, 0x0C, 0xCC, 0xCC, 0xCC};
inline constexpr mac_addr NO_MAC{};

inline constexpr unsigned ETHERTYPE_IPV4 = 0x0800;
inline constexpr unsigned ETHERTYPE_ARP = 0x0806;
inline constexpr unsigned ETHERTYPE_VLAN = 0x8100;
inline constexpr unsigned ETHERTYPE_IPV6 = 0x86DD;
inline constexpr unsigned ETHERTYPE_LLDP = 0x88CC;

inline constexpr unsigned SAP_STP = 0x42;
inline constexpr unsigned SAP_IPX = 0xE0;

// type_or_length is an EtherType from 0x0600 up, else the 802.3 payload length. Short frames
// are padded to the Ethernet minimum.
[[nodiscard]] bytes ethernet(const mac_addr& dst, const mac_addr& src, unsigned type_or_length,
                             const bytes& payload);
// An 802.3 frame: the length field counts the payload.
[[nodiscard]] bytes ieee802_3(const mac_addr& dst, const mac_addr& src, const bytes& payload);
// The four octets after the source address of a tagged frame, then the payload of `type`.
[[nodiscard]] bytes vlan_tag(unsigned priority, unsigned vlan, unsigned type, const bytes& payload);
// An unnumbered-information LLC header.
[[nodiscard]] bytes llc(unsigned dsap, unsigned ssap, const bytes& payload);
[[nodiscard]] bytes snap(std::uint32_t oui, unsigned type, const bytes& payload);

}  // namespace nw::demo

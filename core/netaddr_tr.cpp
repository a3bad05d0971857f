// The Token Ring family. IEEE 802.5 stations carry the same 48-bit MAC addresses as Ethernet
// ones, and the address files and tools write them the same way, so the family differs from
// Ethernet only in its number and shares every operation.
#include "core/netaddr_tr.h"

#include "core/netaddr.h"
#include "core/netaddr_ether.h"

namespace nw {
namespace {

constexpr netaddr_type TR_ROW{NETADDR_TR,         NETADDR_HW_LENGTH,   netaddr_ether_hash,
                              netaddr_ether_copy, netaddr_ether_clear, netaddr_ether_compare,
                              netaddr_ether_to_text_new, netaddr_ether_to_text, netaddr_ether_parse};

}  // namespace

int netaddr_tr_register() { return netaddr_register(TR_ROW) != nullptr ? 1 : 0; }

}  // namespace nw

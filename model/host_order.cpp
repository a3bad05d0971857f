#include "model/host_order.h"

#include "core/netaddr.h"
#include "model/node.h"

namespace nw {

void host_order::order() const {
  if (ordered_ == hosts_.size()) return;
  // Hosts of one network never share a hardware address, so the order is total.
  const auto by_mac = [](const node* a, const node* b) { return netaddr_compare(a->mac, b->mac) > 0; };
  const auto added = hosts_.begin() + static_cast<std::ptrdiff_t>(ordered_);
  std::sort(added, hosts_.end(), by_mac);
  std::inplace_merge(hosts_.begin(), added, hosts_.end(), by_mac);
  ordered_ = hosts_.size();
}

}  // namespace nw

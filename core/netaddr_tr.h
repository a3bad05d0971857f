// Token Ring hardware addresses: six octets, written 10:00:5A:4C:22:01 like Ethernet's.
#pragma once

namespace nw {

// 1 when the Token Ring family was registered, 0 when not.
[[nodiscard]] int netaddr_tr_register();

}  // namespace nw

// The adapters the program can capture on: the capture library's interfaces, each with the
// network type and link speed the kernel reports for it, and capture files offered as adapters.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/adapter_desc.h"

namespace nw {

// Where the kernel lists its network interfaces.
inline const std::filesystem::path ADAPTER_SYSFS = "/sys/class/net";

// The network type of a capture library link type (DLT_*): Ethernet, Token Ring or unsupported.
[[nodiscard]] std::int32_t adapter_type_of_dlt(int dlt);

// The library's interfaces in its order, which is the order of the "interface" setting's index.
// 1 when listed (the list may be empty), -1 with error filled when the library failed.
[[nodiscard]] int adapter_list_find(std::vector<adapter_desc>& adapters, std::string& error);

// One interface as the kernel describes it under sysfs_root: an interface that is down is
// NETTYPE_DOWN, one whose hardware type is not Ethernet or Token Ring (loopback, the library's
// pseudo-interfaces, which have no entry) is NETTYPE_UNSUPPORTED. Speed 0 when not reported.
[[nodiscard]] adapter_desc adapter_from_interface(std::string_view name, std::string_view description,
                                                  const std::filesystem::path& sysfs_root = ADAPTER_SYSFS);

// A capture file as an adapter, typed by its link type. 1, or -1 with error filled when the
// library cannot read it.
[[nodiscard]] int adapter_from_file(const std::string& path, adapter_desc& adapter, std::string& error);

}  // namespace nw

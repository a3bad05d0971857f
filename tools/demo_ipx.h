// The demo LAN's NetWare traffic: IPX packets, service advertisements and NetWare Core
// Protocol requests and replies.
#pragma once

#include <string_view>

#include "tools/demo_clock.h"
#include "tools/demo_packer.h"

namespace nw::demo {

struct ipx_address {
  std::uint32_t network;
  mac_addr node;
  unsigned socket;
};

inline constexpr unsigned IPX_NCP_SOCKET = 0x0451;
inline constexpr unsigned IPX_SAP_SOCKET = 0x0452;
inline constexpr unsigned IPX_TYPE_SAP = 4;
inline constexpr unsigned IPX_TYPE_NCP = 17;

// A packet without checksum (0xFFFF), as NetWare sends them.
[[nodiscard]] bytes ipx(const ipx_address& dst, const ipx_address& src, unsigned packet_type, const bytes& payload);
// A general service response advertising one file server.
[[nodiscard]] bytes ipx_sap(std::string_view server, const ipx_address& at);

// One NCP exchange on a connection: the request's sequence number, connection and task.
struct ncp_context {
  unsigned sequence;
  unsigned connection;
  unsigned task;
};

inline constexpr unsigned NCP_CREATE_CONNECTION = 0x1111;
inline constexpr unsigned NCP_REQUEST = 0x2222;
inline constexpr unsigned NCP_FILE_SERVER_TIME = 0x14;
inline constexpr unsigned NCP_READ_FILE = 0x48;

// A request of `type`; function and data only for NCP_REQUEST.
[[nodiscard]] bytes ncp_request(unsigned type, const ncp_context& ctx, unsigned function, const bytes& data);
// A successful reply with the connection's status good.
[[nodiscard]] bytes ncp_reply(const ncp_context& ctx, const bytes& data);
// The data of a read request: the file handle, an even offset and the count wanted.
[[nodiscard]] bytes ncp_read_request(std::uint32_t handle, std::uint32_t offset, unsigned count);
// The data of a read reply: the count, then the octets.
[[nodiscard]] bytes ncp_read_reply(const bytes& data);
// The data of a date-and-time reply: year since 1900, month, day, hour, minute, second, weekday.
[[nodiscard]] bytes ncp_time_reply(const civil_time& t);

}  // namespace nw::demo

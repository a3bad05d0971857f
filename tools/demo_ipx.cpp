// IPX, SAP and NCP messages of the demo LAN's old NetWare server and its last client.
#include "tools/demo_ipx.h"

namespace nw::demo {

bytes ipx(const ipx_address& dst, const ipx_address& src, unsigned packet_type, const bytes& payload) {
  return packer()
      .u16(0xFFFF).u16(30 + size16(payload)).u8(0).u8(packet_type)
      .u32(dst.network).put(dst.node).u16(dst.socket)
      .u32(src.network).put(src.node).u16(src.socket)
      .put(payload)
      .take();
}

bytes ipx_sap(std::string_view server, const ipx_address& at) {
  packer p;
  p.u16(2).u16(0x0004).text(server).zeros(48 - server.size());
  return p.u32(at.network).put(at.node).u16(at.socket).u16(1).take();
}

// The connection number is split: its low octet leads, its high octet follows the task.
bytes ncp_request(unsigned type, const ncp_context& ctx, unsigned function, const bytes& data) {
  packer p;
  p.u16(type).u8(ctx.sequence).u8(ctx.connection & 0xFFU).u8(ctx.task).u8(ctx.connection >> 8);
  if (type == NCP_REQUEST) p.u8(function).put(data);
  return p.take();
}

bytes ncp_reply(const ncp_context& ctx, const bytes& data) {
  return packer()
      .u16(0x3333).u8(ctx.sequence).u8(ctx.connection & 0xFFU).u8(ctx.task).u8(ctx.connection >> 8)
      .u8(0).u8(0)  // completion code, connection status
      .put(data)
      .take();
}

bytes ncp_read_request(std::uint32_t handle, std::uint32_t offset, unsigned count) {
  return packer().u8(0).u16(0).u32(handle).u32(offset).u16(count).take();
}

bytes ncp_read_reply(const bytes& data) { return packer().u16(size16(data)).put(data).take(); }

bytes ncp_time_reply(const civil_time& t) {
  return packer().u8(t.year - 1900).u8(t.month).u8(t.day).u8(t.hour).u8(t.minute).u8(t.second).u8(t.weekday).take();
}

}  // namespace nw::demo

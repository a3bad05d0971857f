// Web, TLS, SMB2, mail and printing payloads for the demo LAN.
#include "tools/demo_tcp_apps.h"

#include <algorithm>
#include <string>

namespace nw::demo {
namespace {

constexpr unsigned TLS_CHANGE_CIPHER_SPEC = 20;
constexpr unsigned TLS_HANDSHAKE = 22;
constexpr unsigned TLS_APPLICATION_DATA = 23;

bytes tls_record(unsigned type, const bytes& body) {
  return packer().u8(type).u16(0x0303).u16(size16(body)).put(body).take();
}

bytes tls_handshake(unsigned type, const bytes& body) {
  return packer().u8(type).u24(static_cast<std::uint32_t>(body.size())).put(body).take();
}

bytes tls_extension(unsigned type, const bytes& body) {
  return packer().u16(type).u16(size16(body)).put(body).take();
}

bytes netbios_session(const bytes& payload) {
  return packer().u8(0).u24(static_cast<std::uint32_t>(payload.size())).put(payload).take();
}

// The fixed part of each message's body; its first field is that part's structure size.
unsigned smb2_structure_size(smb2_command command, bool response) {
  switch (command) {
    case SMB2_NEGOTIATE: return response ? 65 : 36;
    case SMB2_SESSION_SETUP: return response ? 9 : 25;
    case SMB2_TREE_CONNECT: return response ? 16 : 9;
    case SMB2_CREATE: return response ? 89 : 57;
    case SMB2_CLOSE: return response ? 60 : 24;
    case SMB2_READ: return response ? 17 : 49;
  }
  return 2;
}

constexpr unsigned SMB2_HEADER_SIZE = 64;

bytes smb2_message(smb2_command command, bool response, const smb2_context& ctx, const bytes& body) {
  packer p;
  p.u8(0xFE).text("SMB").u16le(SMB2_HEADER_SIZE).u16le(1).u32le(0).u16le(command).u16le(1);
  p.u32le(response ? 1 : 0).u32le(0);  // flags: server to redirector; no next command
  p.u64le(ctx.message_id).u32le(0xFEFF).u32le(ctx.tree_id).u64le(ctx.session_id).zeros(16);
  return netbios_session(p.put(body).take());
}

}  // namespace

bytes http_request(std::string_view host, std::string_view path) {
  return packer()
      .text("GET ").text(path).text(" HTTP/1.1\r\nHost: ").text(host)
      .text("\r\nUser-Agent: Mozilla/5.0 (X11; Linux x86_64)\r\nAccept: text/html,*/*;q=0.8\r\n"
            "Accept-Encoding: gzip, deflate\r\nConnection: keep-alive\r\n\r\n")
      .take();
}

bytes http_response(std::size_t body_size) {
  return packer()
      .text("HTTP/1.1 200 OK\r\nServer: nginx\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ")
      .text(std::to_string(body_size)).text("\r\nCache-Control: max-age=600\r\n\r\n")
      .put(filler(body_size, "<p>Quarterly figures and the canteen menu.</p>\n"))
      .take();
}

bytes tls_client_hello(std::string_view server_name, const bytes& random, const bytes& key) {
  const bytes name_entry = packer().u8(0).u16(static_cast<unsigned>(server_name.size())).text(server_name).take();
  const bytes key_share = packer().u16(0x001D).u16(size16(key)).put(key).take();
  const bytes extensions =
      packer()
          .put(tls_extension(0x0000, packer().u16(size16(name_entry)).put(name_entry).take()))
          .put(tls_extension(0x000A, packer().u16(2).u16(0x001D).take()))
          .put(tls_extension(0x002B, packer().u8(2).u16(0x0304).take()))
          .put(tls_extension(0x0033, packer().u16(size16(key_share)).put(key_share).take()))
          .take();
  packer p;
  p.u16(0x0303).put(random).u8(0);
  p.u16(6).u16(0x1301).u16(0x1302).u16(0x1303).u8(1).u8(0);
  p.u16(size16(extensions)).put(extensions);
  return tls_record(TLS_HANDSHAKE, tls_handshake(1, p.take()));
}

bytes tls_application_data(const bytes& data) {
  constexpr std::size_t RECORD_MAX = 16384;
  packer p;
  for (std::size_t at = 0; at < data.size(); at += RECORD_MAX) {
    const std::size_t size = std::min(RECORD_MAX, data.size() - at);
    p.put(tls_record(TLS_APPLICATION_DATA, bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                                 data.begin() + static_cast<std::ptrdiff_t>(at + size))));
  }
  return p.take();
}

bytes tls_server_flight(const bytes& random, const bytes& key, const bytes& encrypted) {
  const bytes extensions =
      packer()
          .put(tls_extension(0x002B, packer().u16(0x0304).take()))
          .put(tls_extension(0x0033, packer().u16(0x001D).u16(size16(key)).put(key).take()))
          .take();
  const bytes hello =
      packer().u16(0x0303).put(random).u8(0).u16(0x1301).u8(0).u16(size16(extensions)).put(extensions).take();
  return packer()
      .put(tls_record(TLS_HANDSHAKE, tls_handshake(2, hello)))
      .put(tls_record(TLS_CHANGE_CIPHER_SPEC, {1}))
      .put(tls_application_data(encrypted))
      .take();
}

bytes tls_client_finished(const bytes& encrypted) {
  return packer().put(tls_record(TLS_CHANGE_CIPHER_SPEC, {1})).put(tls_application_data(encrypted)).take();
}

bytes smb2(smb2_command command, bool response, const smb2_context& ctx, const bytes& data) {
  const unsigned structure = smb2_structure_size(command, response);
  return smb2_message(command, response, ctx, packer().u16le(structure).zeros(structure / 2 * 2 - 2).put(data).take());
}

bytes smb2_read_request(const smb2_context& ctx, std::uint64_t file_id, std::uint64_t offset, std::uint32_t length) {
  packer body;
  body.u16le(smb2_structure_size(SMB2_READ, false)).u8(0x50).u8(0).u32le(length).u64le(offset);
  body.u64le(file_id).u64le(file_id);  // persistent and volatile halves of the file id
  body.u32le(1).u32le(0).u32le(0).u16le(0).u16le(0).u8(0);  // minimum count, no channel
  return smb2_message(SMB2_READ, false, ctx, body.take());
}

bytes smb2_read_response(const smb2_context& ctx, const bytes& data) {
  packer body;
  body.u16le(smb2_structure_size(SMB2_READ, true)).u8(SMB2_HEADER_SIZE + 16).u8(0);
  body.u32le(static_cast<std::uint32_t>(data.size())).u32le(0).u32le(0).put(data);
  return smb2_message(SMB2_READ, true, ctx, body.take());
}

bytes mail_message(std::string_view from, std::string_view to, std::string_view subject, std::size_t body_size) {
  packer p;
  p.text("From: ").text(from).text("\r\nTo: ").text(to).text("\r\nSubject: ").text(subject);
  p.text("\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n");
  constexpr std::string_view LINE = "Please find the figures for this week below; call me with questions.\r\n";
  for (std::size_t written = 0; written < body_size; written += LINE.size()) p.text(LINE);
  return p.take();
}

bytes print_job(std::string_view name, std::size_t pages) {
  using namespace std::string_view_literals;
  constexpr std::string_view UEL = "\x1B%-12345X"sv;  // universal exit language
  // One raster row of 24 octets; the literal keeps its zero octets.
  constexpr std::string_view ROW = "\x1B*b24W\x00\x7F\xFF\x81\x3C\x00\xC3\x18\x00\x7E\x42\x00"
                                   "\x24\x99\x00\x00\xE7\x81\x00\x3C\x66\x00\x18\xFF"sv;
  constexpr std::size_t ROWS_PER_PAGE = 300;
  packer p;
  p.text(UEL).text("@PJL JOB NAME=\"").text(name).text("\"\r\n@PJL ENTER LANGUAGE=PCL\r\n");
  for (std::size_t page = 0; page < pages; ++page) {
    p.text("\x1B" "E\x1B&l26A\x1B*t600R\x1B*r1A");  // reset, A4, 600 dpi, start raster
    for (std::size_t row = 0; row < ROWS_PER_PAGE; ++row) p.text(ROW);
    p.text("\x1B*rB\x0C");  // end raster, form feed
  }
  return p.text(UEL).text("@PJL EOJ\r\n").text(UEL).take();
}

bytes lpd_command(unsigned code, std::string_view operands) {
  return packer().u8(code).text(operands).text("\n").take();
}

bytes lpd_control_file(std::string_view host, std::string_view user, std::string_view data_file) {
  return packer()
      .text("H").text(host).text("\nP").text(user).text("\nJ").text(data_file).text("\nl").text(data_file)
      .text("\nU").text(data_file).text("\nN").text(data_file).text("\n")
      .take();
}

}  // namespace nw::demo

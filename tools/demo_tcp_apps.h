// The demo LAN's services over TCP: web pages in the clear and over TLS 1.3, SMB2 file
// reads, mail messages, and print jobs for a JetDirect port or an LPD queue.
#pragma once

#include <string_view>

#include "tools/demo_packer.h"

namespace nw::demo {

[[nodiscard]] bytes http_request(std::string_view host, std::string_view path);
// A 200 response with a body of body_size octets of page text.
[[nodiscard]] bytes http_response(std::size_t body_size);

// TLS 1.3: the hellos are the only plaintext handshake; the rest travels as application data.
[[nodiscard]] bytes tls_client_hello(std::string_view server_name, const bytes& random, const bytes& key);
// The server's hello, then its certificate and the rest of its flight, encrypted.
[[nodiscard]] bytes tls_server_flight(const bytes& random, const bytes& key, const bytes& encrypted);
[[nodiscard]] bytes tls_client_finished(const bytes& encrypted);
// Application data records of at most 2^14 octets each.
[[nodiscard]] bytes tls_application_data(const bytes& data);

enum smb2_command : unsigned {
  SMB2_NEGOTIATE = 0,
  SMB2_SESSION_SETUP = 1,
  SMB2_TREE_CONNECT = 3,
  SMB2_CREATE = 5,
  SMB2_CLOSE = 6,
  SMB2_READ = 8,
};

struct smb2_context {
  std::uint64_t message_id;
  std::uint64_t session_id;
  std::uint32_t tree_id;
};

// A message in its NetBIOS session framing, as SMB on port 445 sends it: the header, the
// command's fixed body part left zero, then data.
[[nodiscard]] bytes smb2(smb2_command command, bool response, const smb2_context& ctx, const bytes& data);
// A read of length octets at offset of the file opened as file_id, and the answer with data.
[[nodiscard]] bytes smb2_read_request(const smb2_context& ctx, std::uint64_t file_id, std::uint64_t offset,
                                      std::uint32_t length);
[[nodiscard]] bytes smb2_read_response(const smb2_context& ctx, const bytes& data);

// A plain-text mail (RFC 5322) with a body of about body_size octets, lines ending in CRLF,
// and no line that is a lone dot.
[[nodiscard]] bytes mail_message(std::string_view from, std::string_view to, std::string_view subject,
                                 std::size_t body_size);

// A print job in PJL around PCL: what a driver sends to a JetDirect port or an LPD queue.
[[nodiscard]] bytes print_job(std::string_view name, std::size_t pages);
// An LPD command line (RFC 1179): the code octet, its operands, a newline.
[[nodiscard]] bytes lpd_command(unsigned code, std::string_view operands);
// An LPD control file printing data file `data_file` of host and user.
[[nodiscard]] bytes lpd_control_file(std::string_view host, std::string_view user, std::string_view data_file);

}  // namespace nw::demo

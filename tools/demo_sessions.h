// What the demo LAN's people do: browse, open files, send and read mail, print, and on the
// old stock terminal, work in the NetWare database.
#pragma once

#include <cstdint>
#include <string_view>

#include "tools/demo_office.h"

namespace nw::demo {

// A page from a web server, looked up first; over TLS or in the clear.
void web_visit(office& o, std::uint64_t t, std::size_t client, std::string_view host, const endpoint& server,
               bool tls);

// A file read from the file server: size octets in reads of at most chunk, pause_us apart.
struct smb_read {
  std::size_t size;
  std::size_t chunk;
  std::uint64_t pause_us;
};

// Looks the file server up by name, opens a share and reads one file.
void smb_session(office& o, std::uint64_t t, std::size_t client, const smb_read& read);
// A mail to a colleague, handed to the mail server by SMTP.
void mail_send(office& o, std::uint64_t t, std::size_t client, std::size_t colleague);
// A look at the inbox over IMAP, fetching the newest message.
void mail_check(office& o, std::uint64_t t, std::size_t client);
// The mail server passes a mail to or takes one from a server on the Internet.
void mail_relay(office& o, std::uint64_t t, const remote_site& peer, bool outbound);
// A print job of `pages` pages: straight to the printer's JetDirect port, or through its LPD queue.
void print_jetdirect(office& o, std::uint64_t t, std::size_t client, std::size_t printer, std::size_t pages);
void print_lpd(office& o, std::uint64_t t, std::size_t client, std::size_t printer, std::size_t pages);
// A NetWare client logs in to the server, asks its time and reads records of a file.
void netware_session(office& o, std::uint64_t t, std::size_t client, std::size_t reads);

}  // namespace nw::demo

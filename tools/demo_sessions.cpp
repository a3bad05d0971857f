// The demo LAN's user sessions, each a conversation from its first lookup to its last FIN.
#include "tools/demo_sessions.h"

#include <cctype>
#include <initializer_list>
#include <string>

#include "tools/demo_chatter.h"
#include "tools/demo_inet.h"
#include "tools/demo_ipx.h"
#include "tools/demo_link.h"
#include "tools/demo_tcp_apps.h"
#include "tools/demo_udp_apps.h"

namespace nw::demo {
namespace {

constexpr std::uint64_t LAN_RTT_US = 400;

bytes text(std::string_view s) { return packer().text(s).take(); }

// One turn of a line-based conversation.
struct turn {
  bool from_client;
  bytes data;
};

// The turns in order, each after a moment's thought or processing.
void converse(office& o, tcp_flow& flow, std::initializer_list<turn> turns) {
  for (const turn& t : turns) {
    flow.send(t.from_client, t.data);
    flow.wait(o.random.between(1 * MS, 40 * MS));
  }
}

// A person's mailbox: the station's name up to its first '-', in lower case.
std::string mailbox(std::string_view station) {
  std::string box;
  for (const char c : station.substr(0, station.find('-'))) {
    box += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return box + "@" + std::string(OFFICE_DOMAIN);
}

std::string host_name(std::string_view station) {
  std::string name;
  for (const char c : station) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name + "." + std::string(OFFICE_DOMAIN);
}

// SMTP from the greeting to QUIT, the client handing over one message.
void smtp_transfer(office& o, tcp_flow& flow, std::string_view server, std::string_view client, const std::string& from,
                   const std::string& to, const bytes& message) {
  const std::string greeting = "220 " + std::string(server) + " ESMTP ready\r\n";
  const std::string hello = "EHLO " + std::string(client) + "\r\n";
  const std::string features = "250-" + std::string(server) + "\r\n250-SIZE 10240000\r\n250 8BITMIME\r\n";
  converse(o, flow,
           {{false, text(greeting)},
            {true, text(hello)},
            {false, text(features)},
            {true, text("MAIL FROM:<" + from + ">\r\n")},
            {false, text("250 2.1.0 Ok\r\n")},
            {true, text("RCPT TO:<" + to + ">\r\n")},
            {false, text("250 2.1.5 Ok\r\n")},
            {true, text("DATA\r\n")},
            {false, text("354 End data with <CR><LF>.<CR><LF>\r\n")},
            {true, packer().put(message).text("\r\n.\r\n").take()},
            {false, text("250 2.0.0 Ok: queued\r\n")},
            {true, text("QUIT\r\n")},
            {false, text("221 2.0.0 Bye\r\n")}});
}

}  // namespace

void web_visit(office& o, std::uint64_t t, std::size_t client, std::string_view host, const endpoint& server,
               bool tls) {
  const std::uint64_t answered = dns_lookup(o, t, client, host, server.ip);
  const bool local = server.mac != o.station(o.gateway).mac;
  const std::uint64_t rtt = local ? LAN_RTT_US : o.random.between(15 * MS, 60 * MS);
  const std::size_t page = local ? o.random.between(4000, 20000) : o.random.between(1000, 10000);
  tcp_flow flow(o.net, o.at(client), server, o.random.port(), tls ? 443 : 80, answered + 200, rtt);
  flow.open();
  if (tls) {
    const bytes client_random = o.random.fill(32);
    flow.send(true, tls_client_hello(host, client_random, o.random.fill(32)));
    const bytes server_random = o.random.fill(32);
    const bytes server_key = o.random.fill(32);
    flow.send(false, tls_server_flight(server_random, server_key, o.random.fill(o.random.between(1800, 3600))));
    flow.send(true, tls_client_finished(o.random.fill(53)));
    flow.send(true, tls_application_data(o.random.fill(o.random.between(300, 600))));
    flow.wait(o.random.between(20 * MS, 150 * MS));
    flow.send(false, tls_application_data(o.random.fill(page)));
  } else {
    flow.send(true, http_request(host, "/index.html"));
    flow.wait(o.random.between(20 * MS, 150 * MS));
    flow.send(false, http_response(page));
  }
  flow.wait(o.random.between(1 * SECOND, 4 * SECOND));
  flow.close();
}

void smb_session(office& o, std::uint64_t t, std::size_t client, const smb_read& read) {
  const unsigned id = o.random.id16();
  const demo_station& files = o.station(o.files);
  const bytes query = nbns(id, NBNS_QUERY, files.name, 0x20, nullptr);
  const bytes answer = nbns(id, NBNS_POSITIVE_ANSWER, files.name, 0x20, &files.ip);
  o.net.send_udp(t, o.at(client), o.subnet_broadcast(client), 137, 137, query);
  o.net.send_udp(t + 1 * MS, o.at(o.files), o.at(client), 137, 137, answer);
  arp_exchange(o, t + 2 * MS, client, o.files);

  tcp_flow flow(o.net, o.at(client), o.at(o.files), o.random.port(), 445, t + 3 * MS, LAN_RTT_US);
  flow.open();
  smb2_context ctx{0, 0, 0};
  const auto exchange = [&](const bytes& request, const bytes& response) {
    flow.send(true, request);
    flow.wait(o.random.between(200, 2000));
    flow.send(false, response);
    ctx.message_id += 1;
  };
  const auto simple = [&](smb2_command command, const bytes& reply_data) {
    exchange(smb2(command, false, ctx, {}), smb2(command, true, ctx, reply_data));
  };
  simple(SMB2_NEGOTIATE, o.random.fill(120));
  simple(SMB2_SESSION_SETUP, o.random.fill(180));
  ctx.session_id = o.random.next();
  simple(SMB2_SESSION_SETUP, {});
  simple(SMB2_TREE_CONNECT, {});
  ctx.tree_id = 1;
  simple(SMB2_CREATE, {});
  const std::uint64_t file_id = o.random.next();
  for (std::size_t offset = 0; offset < read.size; offset += read.chunk) {
    const std::size_t size = std::min(read.chunk, read.size - offset);
    exchange(smb2_read_request(ctx, file_id, offset, static_cast<std::uint32_t>(size)),
             smb2_read_response(ctx, filler(size, "Minutes of the Monday meeting; drawing revision C. ")));
    flow.wait(read.pause_us);
  }
  simple(SMB2_CLOSE, {});
}

void mail_send(office& o, std::uint64_t t, std::size_t client, std::size_t colleague) {
  const std::string from = mailbox(o.station(client).name);
  const std::string to = mailbox(o.station(colleague).name);
  const bytes message = mail_message(from, to, "Figures for this week", o.random.between(400, 6000));
  tcp_flow flow(o.net, o.at(client), o.at(o.mail), o.random.port(), 25, t, LAN_RTT_US);
  flow.open();
  smtp_transfer(o, flow, host_name(o.station(o.mail).name), host_name(o.station(client).name), from, to, message);
  flow.close();
}

void mail_check(office& o, std::uint64_t t, std::size_t client) {
  const std::string user = mailbox(o.station(client).name);
  const bytes message = mail_message("news@example.org", user, "Weekly digest", o.random.between(1500, 12000));
  const std::string literal = "* 12 FETCH (BODY[] {" + std::to_string(message.size()) + "}\r\n";
  tcp_flow flow(o.net, o.at(client), o.at(o.mail), o.random.port(), 143, t, LAN_RTT_US);
  flow.open();
  converse(o, flow,
           {{false, text("* OK IMAP4rev1 server ready\r\n")},
            {true, text("a1 LOGIN " + user.substr(0, user.find('@')) + " \"********\"\r\n")},
            {false, text("a1 OK LOGIN completed\r\n")},
            {true, text("a2 SELECT INBOX\r\n")},
            {false, text("* 12 EXISTS\r\n* 1 RECENT\r\na2 OK [READ-WRITE] SELECT completed\r\n")},
            {true, text("a3 FETCH 12 BODY[]\r\n")},
            {false, packer().text(literal).put(message).text(")\r\na3 OK FETCH completed\r\n").take()},
            {true, text("a4 LOGOUT\r\n")},
            {false, text("* BYE logging out\r\na4 OK LOGOUT completed\r\n")}});
  flow.close();
}

void mail_relay(office& o, std::uint64_t t, const remote_site& peer, bool outbound) {
  const std::string local = "office@" + std::string(OFFICE_DOMAIN);
  const std::string far = "orders@" + std::string(peer.host.substr(peer.host.find('.') + 1));
  const bytes message = mail_message(outbound ? local : far, outbound ? far : local, "Order confirmation",
                                     o.random.between(2000, 12000));
  const endpoint remote = o.remote(peer.ip);
  const std::uint64_t rtt = o.random.between(20 * MS, 60 * MS);
  const std::string mail_host = host_name(o.station(o.mail).name);
  tcp_flow flow(o.net, outbound ? o.at(o.mail) : remote, outbound ? remote : o.at(o.mail), o.random.port(), 25, t,
                rtt);
  flow.open();
  smtp_transfer(o, flow, outbound ? peer.host : mail_host, outbound ? mail_host : peer.host, outbound ? local : far,
                outbound ? far : local, message);
  flow.close();
}

void print_jetdirect(office& o, std::uint64_t t, std::size_t client, std::size_t printer, std::size_t pages) {
  tcp_flow flow(o.net, o.at(client), o.at(printer), o.random.port(), 9100, t, LAN_RTT_US);
  flow.open();
  flow.send(true, print_job(o.station(client).name, pages));
  flow.wait(o.random.between(50 * MS, 300 * MS));
  flow.close();
}

// RFC 1179: the client sends from a reserved port; every command and file is acknowledged with
// one zero octet.
void print_lpd(office& o, std::uint64_t t, std::size_t client, std::size_t printer, std::size_t pages) {
  const std::string host(o.station(client).name);
  const std::string job = std::to_string(100 + o.random.between(0, 899));
  const bytes control = lpd_control_file(host, "user", "dfA" + job + host);
  const bytes data = print_job(host, pages);
  const bytes ack{0};
  tcp_flow flow(o.net, o.at(client), o.at(printer), static_cast<unsigned>(o.random.between(721, 731)), 515, t,
                LAN_RTT_US);
  flow.open();
  converse(o, flow,
           {{true, lpd_command(0x02, "lp")},
            {false, ack},
            {true, lpd_command(0x02, std::to_string(control.size()) + " cfA" + job + host)},
            {false, ack},
            {true, packer().put(control).u8(0).take()},
            {false, ack},
            {true, lpd_command(0x03, std::to_string(data.size()) + " dfA" + job + host)},
            {false, ack},
            {true, packer().put(data).u8(0).take()},
            {false, ack}});
  flow.close();
}

void netware_session(office& o, std::uint64_t t, std::size_t client, std::size_t reads) {
  constexpr unsigned CLIENT_SOCKET = 0x4003;
  constexpr std::size_t RECORD = 512;
  const mac_addr& c = o.station(client).mac;
  const mac_addr& s = o.station(o.netware).mac;
  const ipx_address from{NETWARE_NETWORK, c, CLIENT_SOCKET};
  const ipx_address to{NETWARE_NETWORK, s, IPX_NCP_SOCKET};
  ncp_context ctx{0, 0xFFFF, 1};
  const auto exchange = [&](const bytes& request, const bytes& reply) {
    o.net.emit(t, ieee802_3(s, c, ipx(to, from, IPX_TYPE_NCP, request)));
    t += o.random.between(1 * MS, 6 * MS);
    o.net.emit(t, ieee802_3(c, s, ipx(from, to, IPX_TYPE_NCP, reply)));
    t += o.random.between(20 * MS, 120 * MS);
    ctx.sequence = (ctx.sequence + 1) & 0xFFU;
  };
  const ncp_context login = ctx;
  ctx.connection = 5;
  exchange(ncp_request(NCP_CREATE_CONNECTION, login, 0, {}), ncp_reply(ctx, {}));
  exchange(ncp_request(NCP_REQUEST, ctx, NCP_FILE_SERVER_TIME, {}), ncp_reply(ctx, ncp_time_reply(civil_from_us(t))));
  const std::uint32_t handle = static_cast<std::uint32_t>(o.random.next());
  for (std::size_t i = 0; i < reads; ++i) {
    const auto offset = static_cast<std::uint32_t>(i * RECORD);
    exchange(ncp_request(NCP_REQUEST, ctx, NCP_READ_FILE, ncp_read_request(handle, offset, RECORD)),
             ncp_reply(ctx, ncp_read_reply(filler(RECORD, "STOCK  WIDGET 40MM  QTY 000120  BIN A7 "))));
  }
}

}  // namespace nw::demo

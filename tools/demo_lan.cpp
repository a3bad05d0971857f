// The demo LAN's four minutes: a Monday morning in a small office. The machines keep up their
// background chatter while people browse, read and send mail, open files and print; one CAD
// workstation pulls a large drawing from the file server, a burst that fills half the segment
// for a second.
#include "tools/demo_lan.h"

#include <array>
#include <string>

#include "tools/demo_chatter.h"
#include "tools/demo_office.h"
#include "tools/demo_sessions.h"

namespace nw::demo {
namespace {

constexpr std::array<remote_site, 5> WEB_SITES{{
    {"www.example.com", {203, 0, 113, 10}, false},
    {"news.example.org", {203, 0, 113, 44}, true},
    {"shop.example.net", {198, 51, 100, 26}, true},
    {"cdn.example.com", {198, 51, 100, 80}, true},
    {"wiki.example.org", {192, 0, 2, 70}, false},
}};

constexpr std::array<remote_site, 2> MAIL_PEERS{{
    {"mx.example.net", {198, 51, 100, 25}, false},
    {"mx.example.com", {203, 0, 113, 25}, false},
}};

constexpr std::uint64_t LAST_START_US = END_US - 10 * SECOND;  // late enough to be seen to its end

// A random moment from `from` until shortly before the end.
std::uint64_t some_time(office& o, std::uint64_t from) { return o.random.between(from, LAST_START_US); }

void browse(office& o, std::uint64_t t, std::size_t s) {
  const remote_site& site = WEB_SITES[o.random.next() % WEB_SITES.size()];
  web_visit(o, t, s, site.host, o.remote(site.ip), site.tls);
}

void intranet_visit(office& o, std::uint64_t t, std::size_t s) {
  web_visit(o, t, s, "intranet." + std::string(OFFICE_DOMAIN), o.at(o.intranet), false);
}

// The servers and printers make themselves known at the start; the desk phones boot.
void servers(office& o) {
  std::uint64_t t = START_US + 1 * SECOND;
  for (const station_role role : {station_role::file_server, station_role::mail_server, station_role::web_server,
                                  station_role::monitor, station_role::printer}) {
    for (const std::size_t s : o.all(role)) {
      nbns_registration(o, t, s);
      arp_exchange(o, t + 300 * MS, s, o.gateway);
      t += 350 * MS;
    }
  }
  std::uint64_t phone_time = START_US + 15 * SECOND;
  for (const std::size_t phone : o.all(station_role::phone)) {
    phone_boot(o, phone_time, phone);
    phone_boot(o, phone_time + 64 * SECOND, phone);  // the phones keep their clocks close
    phone_time += 37 * SECOND;
  }
}

// The mail server's exchanges with the Internet, in and out.
void mail_traffic(office& o) {
  for (std::uint64_t t = 8 * SECOND; t < DURATION_US; t += o.random.between(20 * SECOND, 45 * SECOND)) {
    const remote_site& peer = MAIL_PEERS[o.random.next() % MAIL_PEERS.size()];
    const bool outbound = o.random.next() % 3 == 0;
    mail_relay(o, START_US + t, peer, outbound);
  }
}

// A person's morning at a workstation: find the gateway, register the name, then browse, read
// mail, open files and print, each person to their own habits (n counts the desks).
void desk_day(office& o, std::size_t s, std::size_t n, std::uint64_t boot) {
  const std::vector<std::size_t> printers = o.all(station_role::printer);
  const std::vector<std::size_t> desks = o.all(station_role::workstation);
  arp_exchange(o, boot, s, o.gateway);
  nbns_registration(o, boot + 50 * MS, s);
  if (n % 3 == 0) ntp_poll(o, boot + o.random.between(1 * SECOND, 8 * SECOND), s);
  const std::uint64_t visits = o.random.between(2, 4);
  for (std::uint64_t v = 0; v < visits; ++v) browse(o, some_time(o, boot + 2 * SECOND), s);
  if (n % 2 == 0) intranet_visit(o, some_time(o, boot + 5 * SECOND), s);
  if (n % 4 != 3) mail_check(o, boot + o.random.between(3 * SECOND, 30 * SECOND), s);
  // Arguments are evaluated in no fixed order: each draw gets its own statement.
  if (n % 3 == 1) {
    const std::size_t colleague = desks[o.random.next() % desks.size()];
    mail_send(o, some_time(o, boot + 20 * SECOND), s, colleague);
  }
  if (n % 2 == 1) {
    const smb_read file{static_cast<std::size_t>(o.random.between(4000, 16000)), 65536, 0};
    smb_session(o, some_time(o, boot + 3 * SECOND), s, file);
  }
  if (n % 5 == 0 || n % 5 == 2) {
    const auto pages = static_cast<std::size_t>(o.random.between(1, 4));
    const std::uint64_t when = some_time(o, boot + 30 * SECOND);
    if (n % 5 == 0) print_jetdirect(o, when, s, printers.front(), pages);
    if (n % 5 == 2) print_lpd(o, when, s, printers.back(), pages);
  }
}

void desks(office& o) {
  std::size_t n = 0;
  for (const station_role role : {station_role::workstation, station_role::cad_workstation}) {
    for (const std::size_t s : o.all(role)) desk_day(o, s, n++, START_US + o.random.between(500 * MS, 20 * SECOND));
  }
  std::uint64_t arrival = START_US + 40 * SECOND;
  for (const std::size_t s : o.all(station_role::laptop)) {
    dhcp_join(o, arrival, s);
    desk_day(o, s, n++, arrival + 20 * MS);
    arrival += 110 * SECOND;
  }
}

// The drawings: one medium read early, and the large one that makes the burst.
void cad_work(office& o) {
  const std::vector<std::size_t> cad = o.all(station_role::cad_workstation);
  smb_session(o, START_US + 62 * SECOND, cad.back(), {160 * 1024, 32 * 1024, 40 * MS});
  smb_session(o, START_US + 150 * SECOND, cad.front(), {640 * 1024, 64 * 1024, 80 * MS});
}

void netware(office& o) {
  const std::size_t terminal = o.all(station_role::netware_client).front();
  netware_session(o, START_US + 5 * SECOND, terminal, 6);
  netware_session(o, START_US + 97 * SECOND, terminal, 24);
  netware_session(o, START_US + 188 * SECOND, terminal, 12);
}

void incidents(office& o) {
  const std::vector<std::size_t> switches = o.all(station_role::lan_switch);
  const std::vector<std::size_t> printers = o.all(station_role::printer);
  const std::vector<std::size_t> desks = o.all(station_role::workstation);
  syslog_line(o, START_US + 47 * SECOND, switches[1], 5, "port Gi1/0/14 link up, 1000 Mbit/s full duplex");
  syslog_line(o, START_US + 133 * SECOND, printers[0], 4, "toner low: black cartridge at 8%");
  syslog_line(o, START_US + 152 * SECOND, switches[0], 4, "port Gi1/0/2 output utilisation above 40%");
  syslog_line(o, START_US + 201 * SECOND, switches[2], 5, "port Gi1/0/31 link down");
  dhcp_renew(o, START_US + 70 * SECOND, desks[2]);
  dhcp_renew(o, START_US + 176 * SECOND, desks[9]);
  ipv6_neighbour_discovery(o, START_US + 3 * SECOND, desks[3], o.files);
  ipv6_neighbour_discovery(o, START_US + 121 * SECOND, desks[11], o.intranet);
}

}  // namespace

std::vector<demo_frame> demo_lan_frames() {
  office o;
  switch_announcements(o);
  netware_advertisements(o);
  snmp_polls(o);
  servers(o);
  mail_traffic(o);
  desks(o);
  cad_work(o);
  netware(o);
  incidents(o);
  return o.net.take();
}

}  // namespace nw::demo

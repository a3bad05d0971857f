// Classification by data/protocol.pdl: the shape of the tree it builds, hand-built frames whose
// fields sit where only correct header lengths find them, expected paths of chosen corpus
// frames, and every corpus frame against tshark's dissection.
#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "capture/capfile.h"
#include "core/message.h"
#include "pdl/pd.h"
#include "pdl/pd_model.h"
#include "pdl/pdl.h"
#include "tests/corpus.h"
#include "tests/tshark_support.h"

namespace {

using nw::protocol_node;
using nw::test::tshark_available;
using nw::test::tshark_rows;

const std::string kProtocolFile = std::string(NODEWREN_SOURCE_DIR) + "/data/protocol.pdl";
const std::string kGoldenFile = std::string(NODEWREN_SOURCE_DIR) + "/tests/golden/classify.txt";

struct loaded_tree {
  protocol_node* root = nullptr;
  std::vector<std::string> messages;
};

// The product's file, read once for the whole program: every test looks at the same tree.
const loaded_tree& tree() {
  static const loaded_tree loaded = [] {
    loaded_tree t;
    nw::message_set_hook([&t](const nw::message& m) { t.messages.push_back(m.text); });
    t.root = nw::pdl_load(kProtocolFile);
    nw::message_set_hook(nullptr);
    return t;
  }();
  return loaded;
}

protocol_node* media_node(int link_type) {
  const char* media = nw::capfile_media_path(link_type);
  return media != nullptr ? nw::pd_find_path(tree().root, media) : nullptr;
}

std::vector<const protocol_node*> path_nodes(const nw::decode_path& path) {
  std::vector<const protocol_node*> nodes;
  for (const protocol_node* n : path) {
    if (n == nullptr) break;
    nodes.push_back(n);
  }
  return nodes;
}

std::string path_text(const std::vector<const protocol_node*>& nodes) {
  std::string text;
  for (const protocol_node* n : nodes) text += (text.empty() ? "" : "\\") + n->def->name;
  return text;
}

std::string classify(std::span<const std::uint8_t> frame, int link_type) {
  protocol_node* start = media_node(link_type);
  if (start == nullptr) return "(no media node)";
  return path_text(path_nodes(nw::pd_decode(frame, static_cast<std::int32_t>(frame.size()), start)));
}

bool is_catch_all(const protocol_node* n) { return n->def->name.starts_with("OTHER_"); }

// Every node once, with its parent (nullptr for the root).
template <typename Fn>
void walk(const protocol_node* root, Fn fn) {
  std::vector<std::pair<const protocol_node*, const protocol_node*>> pending{{root, nullptr}};
  while (!pending.empty()) {
    auto [node, parent] = pending.back();
    pending.pop_back();
    for (; node != nullptr; node = node->next) {
      fn(node, parent);
      pending.emplace_back(node->child, node);
    }
  }
}

// ---------------------------------------------------------------------------------------
// The tree as the reader built it

TEST(ProtocolTree, LoadsWithoutComplaintAndHasBothMedia) {
  const loaded_tree& t = tree();
  ASSERT_NE(t.root, nullptr);
  EXPECT_TRUE(t.messages.empty()) << "first message: " << t.messages.front();
  EXPECT_EQ(t.root->def->name, "ROOT");
  EXPECT_NE(media_node(DLT_EN10MB), nullptr);
  EXPECT_NE(media_node(DLT_IEEE802), nullptr);
}

// Names and descriptions are what users read in keys, lists and alarm definitions: the
// reader cuts anything past 39 bytes, and a catch-all prefixes its block's texts.
TEST(ProtocolTree, NamesAndDescriptionsFitTheirFields) {
  ASSERT_NE(tree().root, nullptr);
  int checked = 0;
  std::set<const nw::protocol_def*> seen;  // a protocol's copies share its definition
  walk(tree().root, [&](const protocol_node* n, const protocol_node* parent) {
    ++checked;
    if (!is_catch_all(n) && !seen.insert(n->def).second) return;
    const std::string& name = n->def->name;
    const std::string& description = n->def->description;
    if (is_catch_all(n)) {
      ASSERT_NE(parent, nullptr);
      EXPECT_EQ(name, "OTHER_" + parent->def->name);
      EXPECT_EQ(description, "Other " + parent->def->description)
          << parent->def->name << ": the block's description is too long for its catch-all";
      return;
    }
    EXPECT_LE(name.size(), 33U) << name;
    // An empty description means the name has neither a primitive line nor a block: a typo.
    EXPECT_FALSE(description.empty()) << name << " has no primitive line or block";
    EXPECT_LE(description.size(), 39U) << name;
  });
  EXPECT_GT(checked, 500);

  // The reader cuts long descriptions silently, so look at the text as written too.
  std::ifstream in(kProtocolFile);
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  const std::regex quoted("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), quoted); it != std::sregex_iterator(); ++it) {
    EXPECT_LE((*it)[1].length(), 39) << (*it)[1];
  }
}

// A protocol named under several parents gets its subtree copied to each place by the
// resolve passes; a place nested too deep for them would silently stop the walk.
TEST(ProtocolTree, EveryPlaceOfAProtocolCarriesItsSubtree) {
  ASSERT_NE(tree().root, nullptr);
  walk(tree().root, [&](const protocol_node* n, const protocol_node*) {
    const protocol_node* canonical = nw::pd_index_find(n->def);
    if (canonical == nullptr || canonical == n || canonical->child == nullptr) return;
    std::string where;
    (void)nw::pd_path_name(tree().root, n, &where);
    EXPECT_NE(n->child, nullptr) << where << " lost its children";
  });
}

// ---------------------------------------------------------------------------------------
// Hand-built frames: each field lies where only the right offsets and header lengths find it

std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

// Addresses: Ethernet destination and source; Token Ring access control, frame control
// 0x40 (LLC), destination, source without and with the routing indicator.
#define ETH_ADDRS "ffffffffffff 0200c0a80101 "
#define TR_LLC_NOT_ROUTED "10 40 c00000000080 0000a1b2c3d4 "
#define TR_LLC_ROUTED "10 40 c00000000080 8000a1b2c3d4 "
// IPv4 header without options from 10.0.0.1 to 10.0.0.2; the protocol follows.
#define IPV4_TO(proto) "45 00 0040 1234 0000 40 " proto " 0000 0a000001 0a000002 "
#define UDP_PORTS(src, dst) src dst "0010 0000 "

struct crafted_frame {
  const char* what;
  int link_type;
  std::vector<std::uint8_t> octets;
  const char* expected;
};

TEST(CraftedFrames, FieldsAreReadWhereTheyLie) {
  ASSERT_NE(tree().root, nullptr);
  const std::vector<crafted_frame> frames = {
      {"IHL 6 and data offset 8: the TLS record type is found only past both option fields",
       DLT_EN10MB,
       hex(ETH_ADDRS "0800"
           "46 00 0044 1234 4000 40 06 0000 0a000001 0a000002 01010100"  // one word of IP options
           "c350 01bb 00000001 00000000 80 18 ffff 0000 0000"            // data offset 8
           "0101080a 00000000 00000000"                                  // 12 octets of TCP options
           "16 0301 0005"),                                              // handshake record
       "ETHERNET\\ETHER2\\IP\\TCP\\TLS\\TLS_HANDSHAKE"},
      {"IHL 5 and data offset 5: the record type follows the bare headers", DLT_EN10MB,
       hex(ETH_ADDRS "0800" IPV4_TO("06") "c350 01bb 00000001 00000000 50 18 ffff 0000 0000 17 0303 0005"),
       "ETHERNET\\ETHER2\\IP\\TCP\\TLS\\TLS_DATA"},
      {"HTTP response found through the source port", DLT_EN10MB,
       hex(ETH_ADDRS "0800" IPV4_TO("06") "0050 c350 00000001 00000000 50 18 ffff 0000 0000 48545450 2f312e31"),
       "ETHERNET\\ETHER2\\IP\\TCP\\HTTP\\HTTP_RESPONSE"},
      {"SMB 2 after the 4-octet session framing on port 445", DLT_EN10MB,
       hex(ETH_ADDRS "0800" IPV4_TO("06") "c350 01bd 00000001 00000000 50 18 ffff 0000 0000 00000040 fe534d42"),
       "ETHERNET\\ETHER2\\IP\\TCP\\SMB\\SMB2"},
      {"TCP cut short before its port fields ends at TCP's catch-all", DLT_EN10MB,
       hex(ETH_ADDRS "0800" IPV4_TO("06") "00"),
       "ETHERNET\\ETHER2\\IP\\TCP\\OTHER_TCP"},
      {"IPv4 cut short before the protocol field ends at IPv4's catch-all", DLT_EN10MB,
       hex(ETH_ADDRS "0800 45 00 0040 1234"), "ETHERNET\\ETHER2\\IP\\OTHER_IP"},
      {"Frame shorter than the Ethernet header", DLT_EN10MB, hex("ffffffffffff 0200c0a8"),
       "ETHERNET\\OTHER_ETHERNET"},
      {"Type/length 0x05DD is neither a length nor an EtherType", DLT_EN10MB,
       hex(ETH_ADDRS "05dd aaaa03 000000 0800"), "ETHERNET\\OTHER_ETHERNET"},
      {"Non-first IPv4 fragment is not read for ports", DLT_EN10MB,
       hex(ETH_ADDRS "0800 45 00 0040 1234 00b9 40 11 0000 0a000001 0a000002" UDP_PORTS("0035", "0035")),
       "ETHERNET\\ETHER2\\IP\\IP_FRAGMENT"},
      {"First IPv4 fragment (more fragments, offset 0) is", DLT_EN10MB,
       hex(ETH_ADDRS "0800 45 00 0040 1234 2000 40 11 0000 0a000001 0a000002" UDP_PORTS("c350", "0035")),
       "ETHERNET\\ETHER2\\IP\\UDP\\DNS"},
      {"802.1Q tag moves the inner type to octet 16", DLT_EN10MB,
       hex(ETH_ADDRS "8100 0005 0800" IPV4_TO("11") UDP_PORTS("c350", "0035")),
       "ETHERNET\\ETHER2\\VLAN\\IP\\UDP\\DNS"},
      {"Two stacked 802.1Q tags", DLT_EN10MB,
       hex(ETH_ADDRS "8100 0005 8100 0006 0800" IPV4_TO("11") UDP_PORTS("0089", "0089")),
       "ETHERNET\\ETHER2\\VLAN\\VLAN_INNER\\IP\\UDP\\NBNS"},
      {"802.1ad, then two 802.1Q tags", DLT_EN10MB,
       hex(ETH_ADDRS "88a8 0005 8100 0006 8100 0007 86dd 60000000 0008 11 01"
           "fe800000000000000000000000000001 ff020000000000000000000000010002" UDP_PORTS("0222", "0223")),
       "ETHERNET\\ETHER2\\QINQ\\VLAN\\VLAN_INNER\\IPV6\\UDP\\DHCPV6"},
      {"802.1ad service tag over a customer tag", DLT_EN10MB,
       hex(ETH_ADDRS "88a8 00c8 8100 07d1 0806 0001 0800 0604 0001"),
       "ETHERNET\\ETHER2\\QINQ\\VLAN\\ARP"},
      {"802.3 length inside a tag: LLC starts after the tag", DLT_EN10MB,
       hex(ETH_ADDRS "8100 0005 0026 424203 0000 00"), "ETHERNET\\ETHER2\\VLAN\\VLAN_8023\\LLC\\STP"},
      {"SNAP under Cisco's OUI", DLT_EN10MB, hex(ETH_ADDRS "0100 aaaa03 00000c 2000 02b4"),
       "ETHERNET\\IEEE802_3\\LLC\\SNAP\\SNAP_CISCO\\CDP"},
      {"RFC 1042 SNAP carries an EtherType", DLT_EN10MB,
       hex(ETH_ADDRS "0040 aaaa03 000000 0800" IPV4_TO("11") UDP_PORTS("0043", "0044")),
       "ETHERNET\\IEEE802_3\\LLC\\SNAP\\SNAP_ETYPE\\IP\\UDP\\DHCP"},
      {"Novell raw 802.3: checksum FFFF right after the length", DLT_EN10MB,
       hex(ETH_ADDRS "0060 ffff 0060 00 00 00000000 ffffffffffff 0452 00000001 0200c0a80101 4003"),
       "ETHERNET\\IEEE802_3\\IPX_RAW\\IPX\\IPX_SAP"},
      {"IPX over LLC, known by its source socket only", DLT_EN10MB,
       hex(ETH_ADDRS "0060 e0e003 ffff 0060 00 11 00000001 0200c0a80102 4003 00000001 0200c0a80101 0451"),
       "ETHERNET\\IEEE802_3\\LLC\\IPX_LLC\\IPX\\NCP"},
      {"LLC information frame: a two-octet control field moves IPX by one", DLT_EN10MB,
       hex(ETH_ADDRS "0060 e0e0 0000 ffff 0060 00 11 00000001 0200c0a80102 0451 00000001 0200c0a80101 4003"),
       "ETHERNET\\IEEE802_3\\LLC\\IPX_LLC\\IPX\\NCP"},
      {"IPX over EtherType 8137", DLT_EN10MB,
       hex(ETH_ADDRS "8137 ffff 0060 00 04 00000000 ffffffffffff 0455 00000001 0200c0a80101 0455"),
       "ETHERNET\\ETHER2\\IPX_ETYPE\\IPX\\NBIPX"},
      {"AppleTalk DDP type in the last octet of the long header", DLT_EN10MB,
       hex(ETH_ADDRS "809b 0020 0000 0001 0002 ff 01 02 fd 02 1100"),
       "ETHERNET\\ETHER2\\DDP\\NBP"},
      {"IPv6 hop-by-hop header of 8 octets before ICMPv6", DLT_EN10MB,
       hex(ETH_ADDRS "86dd 60000000 0020 00 01 fe800000000000000000000000000001 ff020000000000000000000000000016"
           "3a 00 0502 0000 0100  8f00 0000"),
       "ETHERNET\\ETHER2\\IPV6\\IPV6_HOPOPTS\\ICMPV6"},
      {"IPv6 hop-by-hop header of 16 octets before UDP", DLT_EN10MB,
       hex(ETH_ADDRS "86dd 60000000 0020 00 01 fe800000000000000000000000000001 ff020000000000000000000000010002"
           "11 01 0502 0000 0100 0000000000000000" UDP_PORTS("0222", "0223")),
       "ETHERNET\\ETHER2\\IPV6\\IPV6_HOPOPTS\\UDP\\DHCPV6"},
      {"Token Ring LLC frame without routing information", DLT_IEEE802,
       hex(TR_LLC_NOT_ROUTED "aaaa03 000000 0800" IPV4_TO("11") UDP_PORTS("0089", "0089")),
       "TOKENRING\\TR_LLC\\TR_LOCAL\\LLC\\SNAP\\SNAP_ETYPE\\IP\\UDP\\NBNS"},
      {"Token Ring LLC frame behind an 18-octet routing field (all 5 length bits)", DLT_IEEE802,
       hex(TR_LLC_ROUTED "1230 0011 0022 0033 0044 0055 0066 0077 0080 aaaa03 000000 0800"
           IPV4_TO("11") UDP_PORTS("008a", "008a")),
       "TOKENRING\\TR_LLC\\TR_ROUTED\\LLC\\SNAP\\SNAP_ETYPE\\IP\\UDP\\NBDGM"},
      {"Token Ring MAC frame: active monitor present", DLT_IEEE802,
       hex("10 05 c000ffffffff 0000a1b2c3d4 0012 00 05 0206 0001"),  // frame control 05: attention code
       "TOKENRING\\TR_MAC\\TRMAC_VECTOR\\TRMAC_AMP"},
      {"Token Ring MAC frame behind a 6-octet routing field: the vector at octet 23", DLT_IEEE802,
       hex("10 02 c000ffffffff 8000a1b2c3d4 0630 0011 0022 0012 00 02 0423 0002"),
       "TOKENRING\\TR_MAC\\TRMAC_VECTOR\\TRMAC_BEACON"},
  };
  for (const crafted_frame& f : frames) {
    EXPECT_EQ(classify(f.octets, f.link_type), f.expected) << f.what;
  }
}

// ---------------------------------------------------------------------------------------
// Chosen corpus frames and their expected paths

struct golden_line {
  int line;
  std::string file;
  int frame;
  std::string path;
};

std::vector<golden_line> read_golden() {
  std::vector<golden_line> lines;
  std::ifstream in(kGoldenFile);
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream fields(text);
    golden_line g{number, {}, 0, {}};
    fields >> g.file >> g.frame >> g.path;
    lines.push_back(g);
  }
  return lines;
}

TEST(CorpusGolden, ChosenFramesTakeTheirExpectedPaths) {
  ASSERT_NE(tree().root, nullptr);
  const std::vector<golden_line> golden = read_golden();
  ASSERT_GE(golden.size(), 30U) << kGoldenFile;
  if (nw::test::corpus_files().empty()) GTEST_SKIP() << "no capture corpus";
  const auto dir = nw::test::corpus_dir();

  std::map<std::string, std::map<int, const golden_line*>> by_file;
  for (const golden_line& g : golden) {
    ASSERT_GT(g.frame, 0) << "line " << g.line;
    ASSERT_FALSE(g.path.empty()) << "line " << g.line;
    by_file[g.file][g.frame] = &g;
  }
  for (const auto& [file, wanted] : by_file) {
    nw::capfile capture;
    ASSERT_EQ(capture.open((dir / file).string()), 1) << file << ": " << capture.error();
    const int link_type = capture.link_type();
    int number = 0;
    std::set<int> seen;
    ASSERT_EQ(capture.for_each([&](const nw::capfile_frame& frame) {
      ++number;
      const auto it = wanted.find(number);
      if (it == wanted.end()) return;
      seen.insert(number);
      EXPECT_EQ(classify(frame.octets, link_type), it->second->path)
          << file << " frame " << number << " (golden line " << it->second->line << ")";
    }), 1) << file;
    EXPECT_EQ(seen.size(), wanted.size()) << file << ": some golden frame numbers are past the end";
  }
}

// ---------------------------------------------------------------------------------------
// Every corpus frame against tshark
//
// Our names map to the protocol names tshark puts in frame.protocols. Names without an entry
// (framing levels, the SNAP and IPX encapsulation nodes, catch-alls, payload details such as
// HTTP_GET or TLS_HANDSHAKE, protocols tshark has no dissector for) have no counterpart and
// are left out of the comparison.
const std::unordered_map<std::string, std::string>& tshark_names() {
  static const std::unordered_map<std::string, std::string> names = {
      // media and link layer
      {"ETHERNET", "eth"}, {"TOKENRING", "tr"}, {"TR_MAC", "trmac"}, {"LLC", "llc"},
      {"VLAN", "vlan"}, {"VLAN_INNER", "vlan"}, {"QINQ", "ieee8021ad"}, {"ARP", "arp"}, {"RARP", "arp"},
      {"STP", "stp"}, {"PVST", "stp"}, {"CDP", "cdp"}, {"VTP", "vtp"}, {"DTP", "dtp"},
      {"PAGP", "pagp"}, {"UDLD", "udld"}, {"CGMP", "cgmp"}, {"NORTEL_NDP", "ndp"},
      {"HP_TEAM", "hpteam"}, {"LLDP", "lldp"}, {"LOOP", "loop"}, {"WOL", "wol"},
      {"MAC_CONTROL", "macc"}, {"SLOW", "slow"}, {"LACP", "lacp"}, {"LACP_MARKER", "marker"},
      {"EFM_OAM", "oampdu"}, {"EAPOL", "eapol"}, {"PTP", "ptp"}, {"CFM", "cfm"},
      {"MACSEC", "macsec"}, {"PROFINET", "pn_rt"}, {"GOOSE", "goose"}, {"FCOE", "fcoe"},
      {"FIP", "fip"}, {"MPLS", "mpls"}, {"MPLS_MC", "mpls"}, {"PPPOED", "pppoed"},
      {"PPPOES", "pppoes"}, {"PPP_IP", "ppp"}, {"PPP_IPV6", "ppp"}, {"PPP_IPCP", "ppp"},
      {"PPP_IPV6CP", "ppp"}, {"PPP_LCP", "ppp"}, {"PPP_PAP", "ppp"}, {"PPP_CHAP", "ppp"},
      // LAN protocol families
      {"NETBEUI", "netbios"}, {"SNA", "sna"}, {"RPL", "rpl"}, {"OSI", "osi"},
      {"ESIS", "esis"}, {"CLNP", "clnp"}, {"ISIS", "isis"}, {"DECNET", "dec_dna"},
      {"LAT", "lat"}, {"DDP", "ddp"}, {"AARP", "aarp"}, {"RTMP", "rtmp"},
      {"RTMP_REQUEST", "rtmp"}, {"NBP", "nbp"}, {"ATP", "atp"}, {"ZIP", "zip"},
      {"IPX", "ipx"}, {"NCP", "ncp"}, {"IPX_SAP", "ipxsap"}, {"IPX_RIP", "ipxrip"},
      {"NBIPX", "nbipx"}, {"NLSP", "nlsp"}, {"IPXWAN", "ipxwan"}, {"NMPI", "nmpi"},
      {"NWLINK_MAILSLOT", "nmpi"},
      // IP
      {"IP", "ip"}, {"IPV6", "ipv6"}, {"ICMP", "icmp"}, {"IGMP", "igmp"}, {"IPIP", "ip"},
      {"IPV6_IN_IP", "ipv6"}, {"IGRP", "igrp"}, {"RSVP", "rsvp"}, {"GRE", "gre"},
      {"ESP", "esp"}, {"AH", "ah"}, {"ICMPV6", "icmpv6"}, {"IPV6_HOPOPTS", "ipv6.hopopts"},
      {"IPV6_DSTOPTS", "ipv6.dstopts"}, {"IPV6_ROUTING", "ipv6.routing"},
      {"IPV6_FRAGMENT", "ipv6.fraghdr"}, {"EIGRP", "eigrp"}, {"OSPF", "ospf"}, {"PIM", "pim"},
      {"VRRP", "vrrp"}, {"L2TPV3", "l2tp"}, {"SCTP", "sctp"}, {"TCP", "tcp"}, {"UDP", "udp"},
      // services
      {"FTP_DATA", "ftp-data"}, {"FTP", "ftp"}, {"SSH", "ssh"}, {"TELNET", "telnet"},
      {"SMTP", "smtp"}, {"SUBMISSION", "smtp"}, {"DNS", "dns"}, {"DHCP", "dhcp"},
      {"TFTP", "tftp"}, {"FINGER", "finger"}, {"KERBEROS", "kerberos"}, {"POP3", "pop"},
      {"SUNRPC", "rpc"}, {"NFS", "rpc"}, {"NNTP", "nntp"}, {"NTP", "ntp"},
      {"MSRPC", "dcerpc"}, {"NBNS", "nbns"}, {"NBDGM", "nbdgm"}, {"NBSS", "nbss"},
      // direct-hosted SMB keeps the NetBIOS session framing, which tshark names nbss
      {"SMB", "nbss"}, {"SMB1", "smb"}, {"SMB2", "smb2"}, {"IMAP", "imap"},
      {"SNMP", "snmp"}, {"SNMP_TRAP", "snmp"}, {"XDMCP", "xdmcp"}, {"BGP", "bgp"},
      {"LDAP", "ldap"}, {"CLDAP", "cldap"}, {"SLP", "srvloc"}, {"ISAKMP", "isakmp"},
      {"RLOGIN", "rlogin"}, {"RSH", "rsh"}, {"SYSLOG", "syslog"}, {"LPD", "lpd"},
      {"RIP", "rip"}, {"RIPNG", "ripng"}, {"NCP_IP", "ncp"}, {"DHCPV6", "dhcpv6"},
      {"RTSP", "rtsp"}, {"IPP", "http"}, {"RSYNC", "rsync"}, {"SOCKS", "socks"},
      {"MSSQL", "tds"}, {"ORACLE", "tns"}, {"L2TP", "l2tp"}, {"PPTP", "pptp"},
      {"RADIUS", "radius"}, {"SSDP", "ssdp"}, {"HSRP", "hsrp"}, {"MYSQL", "mysql"},
      {"RDP", "tpkt"}, {"SIP", "sip"}, {"MDNS", "mdns"}, {"LLMNR", "llmnr"},
      {"POSTGRES", "pgsql"}, {"VNC", "vnc"}, {"X11", "x11"}, {"HTTP", "http"},
      {"HTTP_ALT", "http"}, {"TLS", "tls"}, {"SMTPS", "tls"}, {"LDAPS", "tls"},
      {"IMAPS", "tls"}, {"POP3S", "tls"},
  };
  return names;
}

// tshark leaves the protocols below IPX out of frame.protocols; they are asked for as fields
// of their own and put back right after "ipx".
const std::vector<std::string> kIpxFields = {"ncp", "ipxsap", "ipxrip", "nbipx", "nlsp", "ipxwan", "nmpi"};

struct tshark_frame {
  std::vector<std::string> protocols;  // frame.protocols, with the IPX ones put back
  std::string raw;                     // frame.protocols as printed
  int tcp_payload = -1;                // tcp.len of the (first) TCP header, -1 without one
  int llc_frame_type = -1;             // llc.control.ftype: 0 I, 1 S, 3 U; -1 without LLC
};

// -n: no name look-ups. Reassembly and TCP sequence analysis off, so that every frame is
// dissected on its own, as we classify it (tshark does not dissect the payload of a segment
// it judges a retransmission). The HTTP heuristic on TCP is off: it finds HTTP on any port
// by its payload, which a port-based tree cannot do by design.
std::string tshark_command(const std::filesystem::path& file) {
  std::string command =
      "tshark -n -r '" + file.string() +
      "' -o ip.defragment:FALSE -o ipv6.defragment:FALSE -o tcp.desegment_tcp_streams:FALSE"
      " -o tcp.analyze_sequence_numbers:FALSE --disable-heuristic http_tcp"
      " -T fields -E separator=/t -E occurrence=f -e frame.number -e frame.protocols -e tcp.len"
      " -e llc.control.ftype";
  for (const std::string& f : kIpxFields) command += " -e " + f;
  return command + " 2>/dev/null";
}

std::map<int, tshark_frame> run_tshark(const std::filesystem::path& file) {
  std::map<int, tshark_frame> frames;
  for (const std::vector<std::string>& columns : tshark_rows(tshark_command(file))) {
    if (columns.size() < 4) continue;
    tshark_frame t;
    t.raw = columns[1];
    if (!columns[2].empty()) t.tcp_payload = std::stoi(columns[2]);
    if (!columns[3].empty()) t.llc_frame_type = std::stoi(columns[3], nullptr, 16);
    std::istringstream chain(columns[1]);
    for (std::string p; std::getline(chain, p, ':');) {
      t.protocols.push_back(p);
      if (p != "ipx") continue;
      for (std::size_t i = 0; i < kIpxFields.size(); ++i) {
        if (4 + i < columns.size() && !columns[4 + i].empty()) t.protocols.push_back(kIpxFields[i]);
      }
    }
    frames[std::stoi(columns[0])] = std::move(t);
  }
  return frames;
}

// The tshark names of the nodes below n, at any depth.
const std::set<std::string>& names_below(const protocol_node* n) {
  static std::unordered_map<const protocol_node*, std::set<std::string>> cache;
  auto [it, fresh] = cache.try_emplace(n);
  if (fresh) {
    walk(n->child, [&](const protocol_node* d, const protocol_node*) {
      const auto name = tshark_names().find(d->def->name);
      if (name != tshark_names().end()) it->second.insert(name->second);
    });
  }
  return it->second;
}

enum class verdict { agree, by_port, by_sap, differ };

// The agreement rule. Both sides are reduced to the protocols both know: our path to the
// tshark names of its nodes, tshark's chain to the names that occur somewhere in our map.
//  1. Our reduced path must be the start of tshark's, in order: link, network, transport and
//     service layers agree both ways.
//  2. Where tshark goes on, the next protocol it names must not be one our tree knows below
//     the last node we matched: otherwise we stopped where we should have gone on. (tshark
//     legitimately goes deeper into payloads we do not describe: SMB inside NetBIOS
//     datagrams, the IP header quoted by an ICMP error.)
//  3. Two tolerances, both for frames that belong to a conversation but carry nothing for
//     tshark to dissect. tshark names the user of a port or SAP only once it has dissected
//     that user's payload; we classify by the port or SAP.
//     by_port: our path goes on from TCP to the service of a port, and tshark names
//       nothing after "tcp" for a segment without payload (the handshake, bare
//       acknowledgements, the teardown).
//     by_sap: our path goes on from LLC to the user of a SAP, and tshark names nothing
//       after "llc" for a supervisory or unnumbered frame: the connection control (RR,
//       SABME, UA, DISC) of an LLC type 2 session, which has no information field.
verdict compare(const std::vector<const protocol_node*>& path, const tshark_frame& t) {
  std::vector<std::string> ours;
  std::vector<const protocol_node*> ours_nodes;
  for (const protocol_node* n : path) {
    const auto it = tshark_names().find(n->def->name);
    if (it == tshark_names().end()) continue;
    ours.push_back(it->second);
    ours_nodes.push_back(n);
  }
  static const std::set<std::string> known = [] {
    std::set<std::string> s;
    for (const auto& [ours_name, theirs] : tshark_names()) s.insert(theirs);
    return s;
  }();
  std::vector<std::string> theirs;
  for (const std::string& p : t.protocols) {
    if (known.contains(p)) theirs.push_back(p);
  }

  std::size_t common = 0;
  while (common < ours.size() && common < theirs.size() && ours[common] == theirs[common]) ++common;
  if (common == ours.size()) {
    if (common == theirs.size()) return verdict::agree;
    if (ours_nodes.empty()) return verdict::differ;
    return names_below(ours_nodes.back()).contains(theirs[common]) ? verdict::differ : verdict::agree;
  }
  if (common != theirs.size() || common == 0) return verdict::differ;
  // Only pseudo entries (a short or malformed frame) may follow tshark's last protocol.
  const auto last = std::find(t.protocols.rbegin(), t.protocols.rend(), theirs.back());
  for (auto p = last.base(); p != t.protocols.end(); ++p) {
    if (!p->starts_with("_ws.")) return verdict::differ;
  }
  if (theirs.back() == "tcp" && t.tcp_payload == 0) return verdict::by_port;
  if (theirs.back() == "llc" && (t.llc_frame_type == 1 || t.llc_frame_type == 3)) return verdict::by_sap;
  return verdict::differ;
}

TEST(CorpusAgainstTshark, EveryFrameAgreesOnTheProtocolsBothKnow) {
  ASSERT_NE(tree().root, nullptr);
  for (const auto& [ours, theirs] : tshark_names()) {
    EXPECT_NE(nw::pd_find_path(tree().root, ours), nullptr) << ours << " is mapped but not in the tree";
  }
  const auto files = nw::test::corpus_files();
  if (files.empty()) GTEST_SKIP() << "no capture corpus";
  if (!tshark_available()) GTEST_SKIP() << "tshark is not installed (apt-get install tshark)";

  long total = 0;
  long by_port = 0;
  long by_sap = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    nw::capfile capture;
    ASSERT_EQ(capture.open(file.string()), 1) << capture.error();
    const int link_type = capture.link_type();
    protocol_node* start = media_node(link_type);
    ASSERT_NE(start, nullptr) << "link type " << link_type;
    const std::map<int, tshark_frame> dissected = run_tshark(file);
    ASSERT_FALSE(dissected.empty()) << "tshark printed nothing for " << file;

    int number = 0;
    int differences = 0;
    ASSERT_EQ(capture.for_each([&](const nw::capfile_frame& frame) {
      ++number;
      ++total;
      const auto t = dissected.find(number);
      if (t == dissected.end()) {
        ADD_FAILURE() << "tshark has no frame " << number;
        return;
      }
      const auto path = path_nodes(nw::pd_decode(frame.octets, static_cast<std::int32_t>(frame.length), start));
      switch (compare(path, t->second)) {
        case verdict::agree: break;
        case verdict::by_port: ++by_port; break;
        case verdict::by_sap: ++by_sap; break;
        case verdict::differ:
          if (++differences <= 10) {
            ADD_FAILURE() << file.filename().string() << " frame " << number << "\n  ours:   "
                          << path_text(path) << "\n  tshark: " << t->second.raw;
          }
          break;
      }
    }), 1);
    EXPECT_EQ(differences, 0) << file.filename().string() << ": " << differences << " frames differ";
    EXPECT_EQ(static_cast<std::size_t>(number), dissected.size());
  }
  std::printf("[ tshark   ] %ld frames compared; tolerated: %ld by port, %ld by SAP\n", total, by_port, by_sap);
}

}  // namespace

// The demo capture: what it promises to hold (its stations, its mix, its busy talkers and its
// burst), and that its headers are consistent enough for any analyser, ours and tshark, to
// accept them.
#include <gtest/gtest.h>
#include <pcap/dlt.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "capture/capfile.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "tools/demo_lan.h"

namespace nw::demo {
namespace {

using octets = std::span<const std::uint8_t>;

unsigned be16(octets b, std::size_t at) { return static_cast<unsigned>(b[at] << 8 | b[at + 1]); }
std::uint32_t be32(octets b, std::size_t at) { return std::uint32_t{be16(b, at)} << 16 | be16(b, at + 2); }

// The Internet checksum over data plus an initial sum; 0 when the stored checksum is right.
unsigned checksum(octets data, std::uint32_t sum = 0) {
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) sum += be16(data, i);
  if (data.size() % 2 != 0) sum += static_cast<std::uint32_t>(data.back() << 8);
  while (sum >> 16 != 0) sum = (sum & 0xFFFFU) + (sum >> 16);
  return ~sum & 0xFFFFU;
}

// The parts of a frame the checks look at, found without our classifier so that the two
// check each other.
struct parsed {
  octets frame;
  unsigned ethertype = 0;  // 0 for 802.3 frames
  bool tagged = false;
  octets payload;  // after the Ethernet header and any tag
  octets ip;       // the IPv4 packet, when there is one
  unsigned protocol = 0;
  octets transport;  // the IPv4 payload
};

parsed parse(const std::vector<std::uint8_t>& frame) {
  parsed p;
  p.frame = frame;
  std::size_t at = 12;
  unsigned type = be16(frame, at);
  if (type == 0x8100) {
    p.tagged = true;
    at += 4;
    type = be16(frame, at);
  }
  p.payload = p.frame.subspan(at + 2);
  if (type < 0x0600) {
    p.payload = p.payload.first(type);
    return p;
  }
  p.ethertype = type;
  if (type == 0x0800) {
    const std::size_t total = be16(p.payload, 2);
    p.ip = p.payload.first(total);
    p.protocol = p.ip[9];
    p.transport = p.ip.subspan(static_cast<std::size_t>(p.ip[0] & 0x0F) * 4);
  }
  return p;
}

std::string mac_text(octets b) {
  std::string s;
  char part[4];
  for (const std::uint8_t x : b) {
    std::snprintf(part, sizeof part, "%02x", x);
    s += part;
  }
  return s;
}

constexpr std::uint64_t US = 1000000;

class demo_lan_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { frames_ = new std::vector<demo_frame>(demo_lan_frames()); }
  static void TearDownTestSuite() {
    delete frames_;
    frames_ = nullptr;
  }
  static const std::vector<demo_frame>& frames() { return *frames_; }

  // The capture written to a temporary file, removed with the fixture.
  std::string write_temp() {
    path_ = std::filesystem::temp_directory_path() /
            ("nodewren-demo-test-" + std::to_string(::getpid()) + ".pcap");
    EXPECT_TRUE(write_pcap(path_.string(), frames()));
    return path_.string();
  }
  void TearDown() override {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove(path_, ec);
  }

 private:
  static std::vector<demo_frame>* frames_;
  std::filesystem::path path_;
};

std::vector<demo_frame>* demo_lan_test::frames_ = nullptr;

TEST_F(demo_lan_test, IsTheSameOnEveryCall) {
  const std::vector<demo_frame> again = demo_lan_frames();
  ASSERT_EQ(again.size(), frames().size());
  for (std::size_t i = 0; i < again.size(); ++i) {
    ASSERT_EQ(again[i].time_us, frames()[i].time_us) << "frame " << i;
    ASSERT_EQ(again[i].octets, frames()[i].octets) << "frame " << i;
  }
}

// The same bytes on every platform and compiler: the digest of the capture file is fixed. A
// change to the scenario changes it on purpose, and then this number with it; a change of
// compiler or platform must not (an unsequenced draw from the random source would).
TEST_F(demo_lan_test, IsTheSameOnEveryPlatform) {
  std::uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a
  for (const std::uint8_t b : pcap_image(frames())) hash = (hash ^ b) * 0x100000001B3ULL;
  EXPECT_EQ(hash, 0x16B9B018A0215F43ULL) << std::hex << "digest 0x" << hash;
}

TEST_F(demo_lan_test, SpansFourMinutesInTimeOrderWithValidFrameSizes) {
  ASSERT_GT(frames().size(), 3000U);
  const double span_s = static_cast<double>(frames().back().time_us - frames().front().time_us) / 1e6;
  EXPECT_GT(span_s, 230.0);
  EXPECT_LT(span_s, 250.0);
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const auto size = frames()[i].octets.size();
    EXPECT_GE(size, 60U) << "frame " << i << " is a runt";
    EXPECT_LE(size, parse(frames()[i].octets).tagged ? 1518U : 1514U) << "frame " << i << " is a giant";
    if (i > 0) {
      EXPECT_LE(frames()[i - 1].time_us, frames()[i].time_us) << "frame " << i;
    }
  }
  EXPECT_LT(pcap_image(frames()).size(), 3'000'000U) << "the generated file is meant to stay small";
}

// Every station of the table, and nothing else, sends; each keeps its one IPv4 address, the
// one the name database is given for it. Only the router shows many (it forwards the
// Internet's packets and has a voice VLAN address too).
TEST_F(demo_lan_test, StationsAreThoseOfTheTableWithTheirAddresses) {
  std::map<std::string, std::set<std::string>> sources;  // MAC -> IPv4 sources seen from it
  for (const demo_frame& f : frames()) {
    const parsed p = parse(f.octets);
    auto& ips = sources[mac_text(p.frame.subspan(6, 6))];
    if (!p.ip.empty() && be32(p.ip, 12) != 0) ips.insert(mac_text(p.ip.subspan(12, 4)));
    if (p.ethertype == 0x0806) ips.insert(mac_text(p.payload.subspan(14, 4)));
  }
  std::set<std::string> table;
  for (const demo_station& s : demo_stations()) {
    const std::string mac = mac_text(s.mac);
    table.insert(mac);
    const auto seen = sources.find(mac);
    ASSERT_NE(seen, sources.end()) << s.name << " never sends";
    if (s.role == station_role::router) {
      EXPECT_GT(seen->second.size(), 3U) << s.name;
    } else if (s.ip == std::array<std::uint8_t, 4>{}) {
      EXPECT_TRUE(seen->second.empty()) << s.name << " speaks no IP";
    } else {
      EXPECT_EQ(seen->second, std::set<std::string>{mac_text(s.ip)}) << s.name;
    }
  }
  EXPECT_EQ(table.size(), demo_stations().size()) << "two stations share a MAC";
  EXPECT_GE(table.size(), 36U);
  for (const auto& [mac, ips] : sources) EXPECT_TRUE(table.contains(mac)) << mac << " is in no table row";
}

// Load as the program computes it for a capture file (10 Mbit/s, 192 bits a frame on the wire)
// in each second: a quiet office with one burst well above it.
TEST_F(demo_lan_test, HasOneBurstThatFillsTheSegment) {
  std::map<std::uint64_t, std::uint64_t> bits;  // second -> bits on the wire
  for (const demo_frame& f : frames()) bits[f.time_us / US] += 192 + f.octets.size() * 8;
  std::vector<std::uint64_t> load;
  for (std::uint64_t s = frames().front().time_us / US; s <= frames().back().time_us / US; ++s) {
    load.push_back(bits[s] / 100000);
  }
  std::vector<std::uint64_t> sorted = load;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_GE(sorted.back(), 40U) << "no second loads the segment enough for a load alarm";
  EXPECT_LE(std::count_if(load.begin(), load.end(), [](std::uint64_t l) { return l >= 20; }), 2)
      << "a burst, not a busy day";
  EXPECT_LE(sorted[sorted.size() / 2], 2U) << "median load";
}

// The rankings need a few stations well ahead of the rest.
TEST_F(demo_lan_test, AFewStationsCarryMostOfTheTraffic) {
  std::map<std::string, std::uint64_t> sent;
  std::uint64_t total = 0;
  for (const demo_frame& f : frames()) {
    sent[mac_text(octets(f.octets).subspan(6, 6))] += f.octets.size();
    total += f.octets.size();
  }
  std::vector<std::uint64_t> volumes;
  for (const auto& [mac, n] : sent) volumes.push_back(n);
  std::sort(volumes.rbegin(), volumes.rend());
  ASSERT_GE(volumes.size(), 10U);
  EXPECT_GT(volumes[0] + volumes[1] + volumes[2] + volumes[3], total / 2);
  EXPECT_GT(volumes[9], 10000U) << "the tenth busiest station hardly talks";
}

TEST_F(demo_lan_test, ChecksumsAndLengthsAgree) {
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const parsed p = parse(frames()[i].octets);
    const bool cdp = p.ethertype == 0 && p.payload[0] == 0xAA && be16(p.payload, 6) == 0x2000;
    if (cdp) {
      const octets message = p.payload.subspan(8);  // after LLC and SNAP
      EXPECT_EQ(message.size() % 2, 0U) << "CDP of frame " << i << " has an odd length";
      EXPECT_EQ(checksum(message), 0U) << "CDP of frame " << i;
    }
    if (p.ip.empty()) continue;
    ASSERT_LE(p.ip.size() + 14 + (p.tagged ? 4 : 0), p.frame.size()) << "frame " << i;
    EXPECT_EQ(checksum(p.ip.first(20)), 0U) << "IPv4 header of frame " << i;
    const std::uint32_t pseudo = checksum(p.ip.subspan(12, 8), 0) ^ 0xFFFFU;  // the addresses' sum, folded
    const std::uint32_t with_length = pseudo + p.protocol + static_cast<std::uint32_t>(p.transport.size());
    EXPECT_EQ(checksum(p.transport, with_length), 0U) << "transport checksum of frame " << i;
    if (p.protocol == 17) {
      EXPECT_EQ(be16(p.transport, 4), p.transport.size()) << "UDP length of frame " << i;
    }
  }
}

// Every segment continues its direction's sequence space, and no acknowledgement runs ahead of
// what the other side has sent by then.
TEST_F(demo_lan_test, TcpConversationsAreConsistent) {
  using flow_key = std::tuple<std::uint32_t, unsigned, std::uint32_t, unsigned>;  // src, sport, dst, dport
  std::map<flow_key, std::uint32_t> next_seq;
  int flows = 0;
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const parsed p = parse(frames()[i].octets);
    if (p.protocol != 6) continue;
    const octets t = p.transport;
    const flow_key key{be32(p.ip, 12), be16(t, 0), be32(p.ip, 16), be16(t, 2)};
    const flow_key reverse{std::get<2>(key), std::get<3>(key), std::get<0>(key), std::get<1>(key)};
    const std::uint32_t seq = be32(t, 4);
    const unsigned flags = t[13];
    const auto payload = static_cast<std::uint32_t>(t.size() - static_cast<std::size_t>(t[12] >> 4) * 4);
    const auto known = next_seq.find(key);
    if (known == next_seq.end()) {
      EXPECT_NE(flags & 0x02U, 0U) << "frame " << i << " opens a flow without SYN";
      ++flows;
    } else {
      EXPECT_EQ(seq, known->second) << "frame " << i;
    }
    next_seq[key] = seq + payload + ((flags & 0x03U) != 0 ? 1 : 0);
    if ((flags & 0x10U) != 0) {
      const auto peer = next_seq.find(reverse);
      ASSERT_NE(peer, next_seq.end()) << "frame " << i << " acknowledges a silent peer";
      EXPECT_LE(be32(t, 8), peer->second) << "frame " << i << " acknowledges unsent data";
    }
  }
  EXPECT_GT(flows, 150);
}

// Our own classifier, with the product's protocol tree, names what every frame carries down to
// its service: no frame stops at a framing or transport layer for want of a known type, SAP or
// port, and only a service's catch-all takes a TCP conversation's bare acknowledgements and
// continued segments. The whole mix the demo is for is there.
TEST_F(demo_lan_test, OurClassifierKnowsEveryFrame) {
  protocol_node* root = pdl_load(std::string(NODEWREN_SOURCE_DIR) + "/data/protocol.pdl");
  ASSERT_NE(root, nullptr);
  protocol_node* ethernet = pd_find_path(root, capfile_media_path(DLT_EN10MB));
  ASSERT_NE(ethernet, nullptr);
  const std::set<std::string> layers{"ETHERNET", "ETHER2", "IEEE802_3", "VLAN", "LLC", "SNAP",
                                     "IP",       "IPV6",   "TCP",       "UDP",  "IPX"};
  std::map<std::string, int> seen;  // every node name on every path
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const std::vector<std::uint8_t>& f = frames()[i].octets;
    std::vector<std::string> names;
    for (const protocol_node* n : pd_decode(f, static_cast<std::int32_t>(f.size()), ethernet)) {
      if (n == nullptr) break;
      names.push_back(n->def->name);
      ++seen[names.back()];
    }
    ASSERT_GE(names.size(), 2U) << "frame " << i;
    EXPECT_FALSE(layers.contains(names.back())) << "frame " << i << " stops at " << names.back();
    const std::size_t last = names.size() - 1;
    if (names[last].starts_with("OTHER_")) {
      EXPECT_TRUE(last >= 2 && names[last - 2] == "TCP") << "frame " << i << " ends in " << names[last];
    }
  }
  for (const char* wanted :
       {"ARP", "DNS", "DHCP", "NTP", "NBNS", "SNMP", "SYSLOG", "HTTP_GET", "HTTP_RESPONSE", "TLS_HANDSHAKE",
        "TLS_DATA", "SMB2", "SMTP", "IMAP", "JETDIRECT", "LPD", "STP", "CDP", "LLDP", "VLAN", "ICMPV6", "IPX_RAW",
        "IPX_LLC", "IPX_SAP", "NCP"}) {
    EXPECT_GT(seen[wanted], 0) << wanted;
  }
  EXPECT_GT(seen["HTTP"] + seen["TLS"], 1000) << "conversations, not just a sprinkle of each protocol";
  EXPECT_EQ(seen["DHCP"], 12) << "two joins of four messages and two renewals of two";
}

// tshark, checking every checksum, finds nothing malformed and warns of nothing.
TEST_F(demo_lan_test, TsharkFindsNothingWrong) {
  if (std::system("tshark -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "tshark is not installed";
  const std::string path = write_temp();
  const std::string command = "tshark -n -r '" + path +
                              "' -o ip.check_checksum:TRUE -o tcp.check_checksum:TRUE -o udp.check_checksum:TRUE"
                              " -T fields -e frame.number -e _ws.malformed -e _ws.expert.severity 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  constexpr unsigned SEVERITY_WARNING = 0x00600000;
  std::size_t rows = 0;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    ++rows;
    const std::string row(line);
    const std::size_t first_tab = row.find('\t');
    const std::size_t second_tab = row.find('\t', first_tab + 1);
    ASSERT_NE(second_tab, std::string::npos) << row;
    EXPECT_EQ(second_tab, first_tab + 1) << "malformed: " << row;
    for (std::size_t at = second_tab + 1; at < row.size() && row[at] != '\n';) {
      const unsigned long severity = std::stoul(row.substr(at), nullptr, 0);
      EXPECT_LT(severity, SEVERITY_WARNING) << "frame " << row.substr(0, first_tab);
      at = row.find(',', at);
      if (at == std::string::npos) break;
      ++at;
    }
  }
  EXPECT_EQ(rows, frames().size());
}

TEST_F(demo_lan_test, CaptureFileReadsBackThroughLibpcap) {
  const std::vector<std::uint8_t> image = pcap_image(frames());
  const std::vector<std::uint8_t> header(image.begin(), image.begin() + 24);
  const std::vector<std::uint8_t> expected{0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0,
                                           0,    0,    0,    0,    0xFF, 0xFF, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(header, expected);

  capfile file;
  ASSERT_EQ(file.open(write_temp()), 1) << file.error();
  EXPECT_EQ(file.link_type(), 1);
  std::size_t n = 0;
  bool same = true;
  EXPECT_EQ(file.for_each([&](const capfile_frame& f) {
              if (n < frames().size()) {
                const demo_frame& d = frames()[n];
                const std::uint64_t us = std::uint64_t(static_cast<std::uint32_t>(f.time.sec)) * US +
                                         static_cast<std::uint32_t>(f.time.usec);
                same = same && us == d.time_us && f.length == d.octets.size() &&
                       std::equal(f.octets.begin(), f.octets.end(), d.octets.begin(), d.octets.end());
              }
              ++n;
            }),
            1);
  EXPECT_EQ(n, frames().size());
  EXPECT_TRUE(same);
}

}  // namespace
}  // namespace nw::demo

// The demo capture: what it promises to hold, and that its headers are consistent enough for
// any analyser to accept them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "capture/capfile.h"
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

// The parts of a frame the checks look at.
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

// A name for what a frame carries, at the level the demo promises.
std::string kind_of(const parsed& p) {
  if (p.tagged) return "802.1Q";
  if (p.ethertype == 0) {
    if (be16(p.payload, 0) == 0xFFFF) return "IPX raw 802.3";
    if (p.payload[0] == 0x42) return "STP";
    if (p.payload[0] == 0xE0) return "IPX LLC";
    const bool snap = p.payload[0] == 0xAA;
    if (snap && be32(p.payload, 3) >> 8 == 0x00000C && be16(p.payload, 6) == 0x2000) return "CDP";
    return "other 802.3";
  }
  if (p.ethertype == 0x0806) return p.payload[7] == 1 ? "ARP request" : "ARP reply";
  if (p.ethertype == 0x88CC) return "LLDP";
  if (p.ethertype == 0x86DD) {
    const unsigned icmp_type = p.payload.size() > 40 && p.payload[6] == 58 ? p.payload[40] : 0;
    return icmp_type == 135 ? "ICMPv6 NS" : icmp_type == 136 ? "ICMPv6 NA" : "other IPv6";
  }
  if (p.ethertype != 0x0800) return "other";
  const unsigned sport = be16(p.transport, 0);
  const unsigned dport = be16(p.transport, 2);
  const unsigned port = std::min(sport, dport);
  if (p.protocol == 17) {
    if (port == 53) return "DNS";
    if (port == 67) return "DHCP";
    if (port == 123) return "NTP";
    if (port == 137) return "NBNS";
  }
  if (p.protocol == 6) {
    if (port == 80) return "HTTP";
    if (port == 443) return "TLS";
    if (port == 445) return "SMB";
  }
  return "other IPv4";
}

class demo_lan_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { frames_ = new std::vector<demo_frame>(demo_lan_frames()); }
  static void TearDownTestSuite() {
    delete frames_;
    frames_ = nullptr;
  }
  static const std::vector<demo_frame>& frames() { return *frames_; }

 private:
  static std::vector<demo_frame>* frames_;
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

TEST_F(demo_lan_test, SpansAboutTwoMinutesInTimeOrderWithValidFrameSizes) {
  ASSERT_GT(frames().size(), 500U);
  const double span_s = static_cast<double>(frames().back().time_us - frames().front().time_us) / 1e6;
  EXPECT_GT(span_s, 100.0);
  EXPECT_LT(span_s, 130.0);
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const auto size = frames()[i].octets.size();
    EXPECT_GE(size, 60U) << "frame " << i << " is a runt";
    EXPECT_LE(size, 1518U) << "frame " << i << " is a giant";
    if (i > 0) {
      EXPECT_LE(frames()[i - 1].time_us, frames()[i].time_us) << "frame " << i;
    }
  }
}

TEST_F(demo_lan_test, HoldsTheWholeProtocolMix) {
  std::map<std::string, int> kinds;
  for (const demo_frame& f : frames()) ++kinds[kind_of(parse(f.octets))];
  for (const char* wanted : {"ARP request", "ARP reply", "DNS", "DHCP", "NTP", "NBNS", "HTTP", "TLS", "SMB",
                             "STP", "ICMPv6 NS", "802.1Q", "IPX raw 802.3", "IPX LLC", "LLDP", "CDP"}) {
    EXPECT_GT(kinds[wanted], 0) << wanted;
  }
  EXPECT_EQ(kinds["other"] + kinds["other 802.3"] + kinds["other IPv4"] + kinds["other IPv6"], 0);
  // Conversations, not just a sprinkle of each protocol.
  EXPECT_GT(kinds["HTTP"] + kinds["TLS"], 200);
  EXPECT_EQ(kinds["DHCP"], 6);  // one join (four messages) and one renewal
}

TEST_F(demo_lan_test, StationsKeepTheirAddresses) {
  std::map<std::string, std::set<std::string>> sources;  // MAC -> IPv4 sources seen from it
  std::set<std::string> macs;
  const auto hex = [](octets b) {
    std::string s;
    char part[4];
    for (const std::uint8_t x : b) {
      std::snprintf(part, sizeof part, "%02x", x);
      s += part;
    }
    return s;
  };
  for (const demo_frame& f : frames()) {
    const parsed p = parse(f.octets);
    const std::string mac = hex(p.frame.subspan(6, 6));
    macs.insert(mac);
    if (!p.ip.empty() && be32(p.ip, 12) != 0) sources[mac].insert(hex(p.ip.subspan(12, 4)));
    if (p.ethertype == 0x0806) sources[mac].insert(hex(p.payload.subspan(14, 4)));
  }
  EXPECT_GE(macs.size(), 20U);
  EXPECT_LE(macs.size(), 28U);
  int routers = 0;
  for (const auto& [mac, ips] : sources) {
    // The gateway forwards the Internet's packets and has a voice VLAN address; everyone else has one.
    if (ips.size() > 2) {
      ++routers;
      continue;
    }
    EXPECT_EQ(ips.size(), 1U) << mac;
  }
  EXPECT_EQ(routers, 1);
}

TEST_F(demo_lan_test, ChecksumsAndLengthsAgree) {
  for (std::size_t i = 0; i < frames().size(); ++i) {
    const parsed p = parse(frames()[i].octets);
    if (kind_of(p) == "CDP") {
      const octets cdp = p.payload.subspan(8);  // after LLC and SNAP
      EXPECT_EQ(cdp.size() % 2, 0U) << "CDP of frame " << i << " has an odd length";
      EXPECT_EQ(checksum(cdp), 0U) << "CDP of frame " << i;
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
  EXPECT_GT(flows, 40);
}

TEST_F(demo_lan_test, CaptureFileReadsBackThroughLibpcap) {
  const std::vector<std::uint8_t> image = pcap_image(frames());
  const std::vector<std::uint8_t> header(image.begin(), image.begin() + 24);
  const std::vector<std::uint8_t> expected{0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0,
                                           0,    0,    0,    0,    0xFF, 0xFF, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(header, expected);

  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("nodewren-demo-test-" + std::to_string(::getpid()) + ".pcap");
  ASSERT_TRUE(write_pcap(path.string(), frames()));
  capfile file;
  ASSERT_EQ(file.open(path.string()), 1) << file.error();
  EXPECT_EQ(file.link_type(), 1);
  std::size_t n = 0;
  bool same = true;
  EXPECT_EQ(file.for_each([&](const capfile_frame& f) {
              if (n < frames().size()) {
                const demo_frame& d = frames()[n];
                const std::uint64_t us = std::uint64_t(static_cast<std::uint32_t>(f.time.sec)) * 1000000 +
                                         static_cast<std::uint32_t>(f.time.usec);
                same = same && us == d.time_us && f.length == d.octets.size() &&
                       std::equal(f.octets.begin(), f.octets.end(), d.octets.begin(), d.octets.end());
              }
              ++n;
            }),
            1);
  std::filesystem::remove(path);
  EXPECT_EQ(n, frames().size());
  EXPECT_TRUE(same);
}

}  // namespace
}  // namespace nw::demo

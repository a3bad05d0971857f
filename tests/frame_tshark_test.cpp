// Against an independent reading: every Ethernet and Token Ring capture, through the frame
// path, must give each host the frames and bytes tshark sees it send and receive, and each
// direction of each conversation the frames and bytes tshark sees going that way.
#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "capture/capfile.h"
#include "capture/frame.h"
#include "model/link.h"
#include "model_test_support.h"
#include "tests/corpus.h"
#include "tests/tshark_support.h"
#include "tools/demo_lan.h"

namespace nw::test {
namespace {

struct counts {
  std::uint64_t frames = 0, bytes = 0;
  bool operator==(const counts&) const = default;
};

struct traffic {
  std::map<std::string, counts> sent, received;
  std::map<std::pair<std::string, std::string>, counts> links;  // source, destination
};

void PrintTo(const counts& c, std::ostream* os) { *os << c.frames << " frames, " << c.bytes << " bytes"; }

// Token Ring sources are keyed without their routing and group bits, as the frame path keys
// them; tshark prints them as received.
std::string masked_tr_source(std::string text) {
  if (text.size() < 2) return text;
  char first[3];
  std::snprintf(first, sizeof first, "%02x", static_cast<unsigned>(std::stoul(text.substr(0, 2), nullptr, 16) & 0x3F));
  return first + text.substr(2);
}

traffic tshark_traffic(const std::filesystem::path& file, bool token_ring) {
  const std::string prefix = token_ring ? "tr" : "eth";
  traffic t;
  for (const auto& row : tshark_rows("tshark -n -r '" + file.string() + "' -T fields -E separator=/t -E occurrence=f -e " +
                                     prefix + ".src -e " + prefix + ".dst -e frame.len 2>/dev/null")) {
    if (row.size() < 3 || row[0].empty() || row[1].empty()) continue;
    const std::string src = token_ring ? masked_tr_source(row[0]) : row[0];
    const std::uint64_t len = std::stoull(row[2]);
    for (counts* c : {&t.sent[src], &t.received[row[1]], &t.links[{src, row[1]}]}) {
      c->frames += 1;
      c->bytes += len;
    }
  }
  return t;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

traffic model_traffic(const net& network) {
  traffic t;
  for (const auto& h : network.host_list) {
    const std::string mac = lower(netaddr_to_text_new(h->mac));
    if (h->tx_pkts > 0) t.sent[mac] = counts{h->tx_pkts, h->tx_bytes};
    if (h->rx_pkts > 0) t.received[mac] = counts{h->rx_pkts, h->rx_bytes};
    h->links_out.foreach(
        [&](const link* l) { t.links[{mac, lower(netaddr_to_text_new(l->dst->mac))}] = counts{l->pkts, l->bytes}; });
  }
  return t;
}

class FrameAgainstTshark : public model_test {
 protected:
  // Runs the file through the frame path; false when it is not an Ethernet or Token Ring file.
  bool run(const std::filesystem::path& file, bool& token_ring) {
    capfile f;
    if (f.open(file.string()) < 0) return false;
    if (f.link_type() != DLT_EN10MB && f.link_type() != DLT_IEEE802) return false;
    token_ring = f.link_type() == DLT_IEEE802;
    network = net_new(adapter_desc{file.filename().string(), "", token_ring ? NETTYPE_TOKEN_RING : NETTYPE_ETHERNET});
    auto handler = token_ring ? netif_tr_frame : netif_ether_frame;
    (void)f.for_each([&](const capfile_frame& frame) {
      model_lock lock;
      (void)handler(*network, frame_header{frame.time, frame.length}, frame.octets);
    });
    return true;
  }

  void compare(const std::filesystem::path& file) {
    SCOPED_TRACE(file.filename().string());
    bool token_ring = false;
    if (!run(file, token_ring)) return;
    const traffic expected = tshark_traffic(file, token_ring);
    const traffic seen = model_traffic(*network);
    ASSERT_FALSE(expected.sent.empty());
    EXPECT_EQ(seen.sent, expected.sent);
    EXPECT_EQ(seen.received, expected.received);
    EXPECT_EQ(seen.links, expected.links);
    ++compared;
  }

  int compared = 0;
};

TEST_F(FrameAgainstTshark, GeneratedLan) {
  if (!tshark_available()) GTEST_SKIP() << "tshark is not installed";
  const auto dir = std::filesystem::temp_directory_path() / ("nodewren-frame-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "demo.pcap";
  ASSERT_TRUE(demo::write_pcap(file.string(), demo::demo_lan_frames()));
  compare(file);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(compared, 1);
}

TEST_F(FrameAgainstTshark, EveryCorpusCapture) {
  if (!tshark_available()) GTEST_SKIP() << "tshark is not installed";
  const auto files = corpus_files();
  if (files.empty()) GTEST_SKIP() << "no capture corpus (../shared/pcaps or $NODEWREN_PCAPS)";
  for (const auto& file : files) compare(file);
  EXPECT_GT(compared, 10);
}

}  // namespace
}  // namespace nw::test

// The load arithmetic, the adapter dialog's rows and selection, and dispatch from a replayed
// capture into the model: batches of 500, the load and counters after a pass, a link type the
// model does not take, and a damaged file.
#include <chrono>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <thread>

#include "capture/adapter_rows.h"
#include "capture/netif.h"
#include "capture_test_support.h"
#include "core/str_cache.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "pdl/pd_stat.h"
#include "pdl/pdl.h"
#include "tools/demo_lan.h"
#include "model_test_support.h"

namespace nw::test {
namespace {

TEST(NetifLoad, PercentOfTheLinkIn64Bits) {
  struct load_case {
    std::int32_t link_type;
    std::uint64_t pkts, bytes, speed;
    std::int32_t load;
  };
  const load_case cases[] = {
      {LINK_ETHERNET, 1000, 1'000'000, 10'000'000, 81},    // (192,000 + 8,000,000) / 100,000
      {LINK_TOKEN_RING, 1000, 1'000'000, 16'000'000, 50},  // (48,000 + 8,000,000) / 160,000
      {LINK_ETHERNET, 500, 500'000, 10'000'000, 40},       // 40.96, truncated
      // 10 Gbit/s near saturation: 1.25e9 bytes alone are 1e10 bits, far past 32 bits.
      {LINK_ETHERNET, 812'743, 1'250'000'000, 10'000'000'000, 101},
      {LINK_ETHERNET, 0, 600'000'000, 1'000'000'000, 480},
      {LINK_ETHERNET, 1, 0, 100, 192},          // the smallest usable speed
      {LINK_ETHERNET, 1000, 1'000'000, 99, 0},  // below 100 bit/s there is no divisor
      {LINK_ETHERNET, 1000, 1'000'000, 0, 0},   // speed unknown
      {LINK_ETHERNET, 0, 1'000'000'000'000, 100, std::numeric_limits<std::int32_t>::max()},
  };
  for (const load_case& c : cases) {
    EXPECT_EQ(netif_load(c.link_type, c.pkts, c.bytes, c.speed), c.load) << c.pkts << ", " << c.bytes << " at " << c.speed;
  }
}

TEST(AdapterRows, SpeedTextsAndTheRowSelected) {
  const std::vector<adapter_desc> adapters{{"eth0", "Intel", NETTYPE_ETHERNET, 100'000'000, false},
                                           {"tr0", "IBM", NETTYPE_TOKEN_RING, 4'000'000, false},
                                           {"eth1", "", NETTYPE_ETHERNET, 10'000'000, false},
                                           {"tr1", "", NETTYPE_TOKEN_RING, 16'000'000, false},
                                           {"eth2", "", NETTYPE_ETHERNET, 1'000'000'000, false},
                                           {"eth3", "", NETTYPE_ETHERNET, 0, false}};
  std::vector<std::string> texts;
  for (const adapter_row& row : adapter_rows_make(adapters)) texts.push_back(row.speed);
  EXPECT_EQ(texts, (std::vector<std::string>{"100Mb", "4Mb", "10Mb", "16Mb", "Unknown", "Unknown"}));
  EXPECT_EQ(adapter_rows_make(adapters)[1].description, "IBM");
  EXPECT_STREQ(str_get(ADAPTER_COLUMNS[2].title), "Link Speed");

  EXPECT_EQ(adapter_rows_selected(7, 3), 0U);
  EXPECT_EQ(adapter_rows_selected(3, 3), 0U);  // one past the last row names no row either
  EXPECT_EQ(adapter_rows_selected(2, 3), 2U);
  EXPECT_EQ(adapter_rows_chosen(2, 1, true), 1U);
  EXPECT_EQ(adapter_rows_chosen(2, std::nullopt, true), 2U);
  EXPECT_EQ(adapter_rows_chosen(2, 1, false), 2U);
}

// A capture file, its network, and the file opened to be read as fast as it goes.
class NetifDispatch : public model_test {
 protected:
  net* open(const adapter_desc& adapter) {
    std::string error;
    source = capture_source::open(adapter, CAPTURE_SNAPLEN_DEFAULT, replay_pace::fastest, error);
    EXPECT_NE(source, nullptr) << error;
    return net_new(adapter);
  }
  int dispatch(net* n) { return netif_dispatch(*n, *source, batch); }

  temp_dir dir;
  std::unique_ptr<capture_source> source;
  frame_batch batch;
};

TEST_F(NetifDispatch, FramesArriveInBatchesOf500AndTheLoadFollows) {
  // 1000 frames of 1000 octets in half a second, all within the last second.
  std::vector<demo::demo_frame> frames;
  for (std::uint64_t i = 0; i < 1000; ++i) frames.push_back(station_frame(static_cast<std::uint8_t>(1 + i % 4), 1000, 1'700'000'000'000'000 + i * 500));
  ASSERT_TRUE(demo::write_pcap(dir.file("load.pcap"), frames));
  net* n = open(file_adapter(dir.file("load.pcap")));
  ASSERT_NE(source, nullptr);

  EXPECT_EQ(dispatch(n), 500);
  EXPECT_EQ(dispatch(n), 500);
  EXPECT_EQ(dispatch(n), 0);
  EXPECT_TRUE(source->finished());
  netif_account(*n, *source);
  model_lock lock;
  EXPECT_EQ(n->pkts, 1000U);
  EXPECT_EQ(n->node_count, 5U);  // four stations and the broadcast address
  EXPECT_NE(node_find(*n, station_mac(3)), nullptr);
  EXPECT_EQ(n->load, 81);  // a replayed Ethernet file counts as a 10 Mbit/s link
  EXPECT_EQ(n->received, 1000U);
  EXPECT_EQ(n->dropped, 0U);
}

// A file's frames classified by the reading thread must count as the handler counts them when
// it classifies them itself: the same protocol tree on every link, the same protocol totals.
TEST_F(NetifDispatch, FramesClassifiedWhileReadCountAsFramesClassifiedByTheirHandler) {
  ASSERT_NE(pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl"), nullptr);  // before the networks take their media
  ASSERT_TRUE(demo::write_pcap(dir.file("lan.pcap"), demo::demo_lan_frames()));
  const adapter_desc adapter = file_adapter(dir.file("lan.pcap"));
  struct run {
    net* network = nullptr;
    std::map<const protocol_node*, std::pair<double, double>> totals;  // frames and bytes the run added
  };
  std::vector<run> runs;
  std::map<const protocol_node*, std::pair<double, double>> before;
  const auto stats_of = [&](net* n) {
    std::map<const protocol_node*, std::pair<double, double>> now;
    std::vector<proto_stat> scratch;
    n->links.for_each([&](const link& l) {
      for (const proto_stat& p : link_proto_tree(l, scratch))
        now[p.proto] = {pd_stat_frames(p.proto), pd_stat_bytes(p.proto)};
    });
    return now;
  };
  for (const bool ahead : {true, false}) {
    run r;
    r.network = open(adapter);
    ASSERT_NE(source, nullptr);
    if (ahead) source->classify_ahead(r.network->media);
    // The reader classifies while it is ahead: given time, it fills every block it may first.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::size_t classified = 0, frames = 0;
    while (!source->finished()) {
      ASSERT_GE(dispatch(r.network), 0);
      for (std::size_t i = 0; i < batch.size(); ++i, ++frames)
        if (batch.header(i).path != nullptr) ++classified;
    }
    if (ahead) {
      EXPECT_GE(classified, 512U) << "of " << frames;  // a block at least
    } else {
      EXPECT_EQ(classified, 0U);
    }
    model_lock lock;
    for (const auto& [node, counts] : stats_of(r.network)) {
      const auto& [frames0, bytes0] = before[node];
      r.totals[node] = {counts.first - frames0, counts.second - bytes0};
      before[node] = counts;
    }
    runs.push_back(std::move(r));
  }
  model_lock lock;
  const net& ahead = *runs[0].network;
  const net& by_handler = *runs[1].network;
  ASSERT_GT(ahead.links.size(), 50U);
  ASSERT_EQ(ahead.links.size(), by_handler.links.size());
  std::vector<proto_stat> scratch_x, scratch_y;
  for (std::size_t i = 0; i < ahead.links.size(); ++i) {
    const auto x = link_proto_tree(ahead.links[i], scratch_x);
    const auto y = link_proto_tree(by_handler.links[i], scratch_y);
    ASSERT_EQ(x.size(), y.size()) << "link " << i;
    for (std::size_t k = 0; k < x.size(); ++k) {
      const proto_stat& a = x[k];
      const proto_stat& b = y[k];
      EXPECT_TRUE(a.proto == b.proto && a.frames == b.frames && a.bytes == b.bytes && a.sibling == b.sibling &&
                  a.child == b.child)
          << "link " << i << " node " << k;
    }
  }
  EXPECT_EQ(runs[0].totals, runs[1].totals);
  EXPECT_GT(runs[0].totals.size(), 10U);
}

TEST_F(NetifDispatch, ALinkTypeTheModelDoesNotTakeIsReadButNotCounted) {
  write_capture(dir.file("raw.pcap"), DLT_RAW, demo_frames(30, 1000));
  net* n = open(file_adapter(dir.file("raw.pcap")));
  ASSERT_NE(source, nullptr);
  n->load = 42;
  EXPECT_EQ(dispatch(n), 30);
  netif_account(*n, *source);
  model_lock lock;
  EXPECT_EQ(n->node_count, 0U);
  EXPECT_EQ(n->load, 42);  // left as it was
  EXPECT_EQ(n->received, 30U);
}

TEST_F(NetifDispatch, ADamagedFileKeepsTheFramesBeforeTheDamageAndSaysWhy) {
  const std::string path = dir.file("cut.pcap");
  ASSERT_TRUE(demo::write_pcap(path, demo_frames(20, 1000)));
  std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);
  net* n = open(file_adapter(path));
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(dispatch(n), 19);
  EXPECT_EQ(dispatch(n), -1);
  EXPECT_FALSE(source->error().empty());
  EXPECT_EQ(dispatch(n), 0);
  EXPECT_TRUE(source->finished());
  model_lock lock;
  EXPECT_EQ(n->pkts, 19U);
}

}  // namespace
}  // namespace nw::test

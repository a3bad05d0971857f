// The load arithmetic, the adapter dialog's rows and selection, and dispatch from a replayed
// capture into the model: batches of 500, the load and counters after a pass, a link type the
// model does not take, and a damaged file.
#include <filesystem>
#include <limits>
#include <optional>

#include "capture/adapter_rows.h"
#include "capture/netif.h"
#include "capture_test_support.h"
#include "core/str_cache.h"
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

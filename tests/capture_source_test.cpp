// Adapters from capture files and from the kernel's interface attributes, and capture files
// replayed at the pace of their time stamps: gaps waited out, the read time-out kept, and a
// break that never waits a gap out.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "capture/capture_source.h"
#include "capture_test_support.h"

namespace nw::test {
namespace {

using std::chrono::milliseconds;
using clock_type = std::chrono::steady_clock;

TEST(AdapterFromFile, TypeAndSpeedFollowTheLinkTypeAndBadFilesSayWhy) {
  temp_dir dir;
  struct file_case {
    int dlt;
    std::int32_t type;
    std::uint64_t speed;
  };
  for (const file_case c : {file_case{DLT_EN10MB, NETTYPE_ETHERNET, 10'000'000},
                            file_case{DLT_IEEE802, NETTYPE_TOKEN_RING, 16'000'000}, file_case{DLT_RAW, 2, 0}}) {
    const std::string path = dir.file(std::to_string(c.dlt) + ".pcap");
    write_capture(path, c.dlt, demo_frames(2, 1000));
    const adapter_desc a = file_adapter(path);
    EXPECT_TRUE(a.file && a.name == path && !a.description.empty());
    EXPECT_EQ(a.type, c.type) << c.dlt;
    EXPECT_EQ(a.speed, c.speed) << c.dlt;
  }
  std::ofstream(dir.file("notes.txt")) << "not a capture\n";
  for (const std::string& path : {dir.file("missing.pcap"), dir.file("notes.txt")}) {
    adapter_desc a;
    std::string error;
    EXPECT_EQ(adapter_from_file(path, a, error), -1) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
}

// Through its large stream buffer a file reads exactly as libpcap's own opening reads it, across
// many refills of the buffer and up to a record cut short; a file that is missing or is not a
// capture says why in libpcap's own words.
TEST(CapfileOpenOffline, ReadsAndFailsAsLibpcapsOwnOpening) {
  temp_dir dir;
  const std::string path = dir.file("long.pcap");
  write_capture(path, DLT_EN10MB, demo_frames(6000, 100));
  ASSERT_GT(std::filesystem::file_size(path), std::uintmax_t{2} << 20);
  std::filesystem::copy_file(path, dir.file("cut.pcap"));
  std::filesystem::resize_file(dir.file("cut.pcap"), std::filesystem::file_size(path) - 7);
  std::ofstream(dir.file("notes.txt")) << "not a capture\n";
  for (const std::string name : {"long.pcap", "cut.pcap", "missing.pcap", "notes.txt"}) {
    char ours_error[PCAP_ERRBUF_SIZE] = "", theirs_error[PCAP_ERRBUF_SIZE] = "";
    std::unique_ptr<char[]> buffer;
    const pcap_handle ours = capfile_open_offline(dir.file(name), buffer, ours_error);
    const pcap_handle theirs(pcap_open_offline(dir.file(name).c_str(), theirs_error));
    ASSERT_EQ(ours == nullptr, theirs == nullptr) << name;
    if (!theirs) {
      EXPECT_STREQ(ours_error, theirs_error) << name;
      continue;
    }
    std::size_t frames = 0;
    for (;;) {
      pcap_pkthdr *our_header = nullptr, *their_header = nullptr;
      const u_char *our_data = nullptr, *their_data = nullptr;
      const int got = pcap_next_ex(ours.get(), &our_header, &our_data);
      ASSERT_EQ(got, pcap_next_ex(theirs.get(), &their_header, &their_data)) << name << " frame " << frames;
      if (got != 1) {
        EXPECT_EQ(std::string(pcap_geterr(ours.get())), pcap_geterr(theirs.get())) << name;
        break;
      }
      ASSERT_EQ(our_header->caplen, their_header->caplen);
      ASSERT_EQ(our_header->len, their_header->len);
      ASSERT_EQ(our_header->ts.tv_usec, their_header->ts.tv_usec);
      ASSERT_TRUE(std::equal(our_data, our_data + our_header->caplen, their_data)) << name << " frame " << frames;
      ++frames;
    }
    EXPECT_EQ(frames, name == "long.pcap" ? 6000U : 5999U);
  }
}

// What the kernel no longer shows (Token Ring, IFF_UP clear with an unknown operational state)
// from a tree of the same attributes; loopback and a pseudo-interface from the real one.
TEST(AdapterFromInterface, KernelAttributesGiveTypeStateAndSpeed) {
  temp_dir dir;
  auto make = [&dir](const char* name, const char* type, const char* flags, const char* speed) {
    std::filesystem::create_directories(dir.path / name);
    std::ofstream(dir.path / name / "type") << type << "\n";
    std::ofstream(dir.path / name / "operstate") << "unknown\n";
    std::ofstream(dir.path / name / "flags") << flags << "\n";
    std::ofstream(dir.path / name / "speed") << speed << "\n";
  };
  make("tr0", "800", "0x1003", "16");
  make("eth1", "1", "0x1002", "100");
  make("eth2", "1", "0x1003", "-1");
  make("eth3", "1", "0x1003", "400000");
  const adapter_desc tr0 = adapter_from_interface("tr0", "", dir.path);
  EXPECT_EQ(tr0.type, NETTYPE_TOKEN_RING);
  EXPECT_EQ(tr0.speed, 16'000'000U);
  EXPECT_EQ(adapter_from_interface("eth1", "", dir.path).type, NETTYPE_DOWN);
  EXPECT_EQ(adapter_from_interface("eth2", "", dir.path).speed, 0U);
  EXPECT_EQ(adapter_from_interface("eth3", "", dir.path).speed, 400'000'000'000U);
  EXPECT_EQ(adapter_from_interface("..", "", dir.path).type, NETTYPE_UNSUPPORTED);

  if (!std::filesystem::exists(ADAPTER_SYSFS / "lo")) GTEST_SKIP() << "no sysfs entry for lo";
  EXPECT_EQ(adapter_from_interface("lo", "").type, NETTYPE_UNSUPPORTED);
  EXPECT_EQ(adapter_from_interface("any", "").type, NETTYPE_UNSUPPORTED);
}

class Replay : public ::testing::Test {
 protected:
  // A file of frames at these offsets in microseconds.
  std::unique_ptr<capture_source> open(const std::vector<std::uint64_t>& offsets_us, replay_pace pace) {
    std::vector<demo::demo_frame> frames = demo_frames(offsets_us.size(), 0);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].time_us += offsets_us[i];
    const std::string path = dir.file("replay" + std::to_string(++files) + ".pcap");
    EXPECT_TRUE(demo::write_pcap(path, frames));
    std::string error;
    auto source = capture_source::open(file_adapter(path), CAPTURE_SNAPLEN_DEFAULT, pace, error);
    EXPECT_NE(source, nullptr) << error;
    return source;
  }
  int dispatch(capture_source& source) {
    return source.dispatch(500, [](void* user, const frame_header& h, std::span<const std::uint8_t>) {
      static_cast<std::vector<frame_header>*>(user)->push_back(h);
    }, &got);
  }
  // Milliseconds until the file is read.
  std::int64_t read_all(capture_source& source) {
    const auto start = clock_type::now();
    while (!source.finished() && dispatch(source) >= 0) {}
    return std::chrono::duration_cast<milliseconds>(clock_type::now() - start).count();
  }

  temp_dir dir;
  int files = 0;
  std::vector<frame_header> got;
};

TEST_F(Replay, PacedReplayWaitsOutTheGapsAndUnpacedDoesNot) {
  auto paced = open({0, 10'000, 310'000}, replay_pace::timestamps);
  ASSERT_NE(paced, nullptr);
  const std::int64_t took = read_all(*paced);
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 900);
  ASSERT_EQ(got.size(), 3U);
  EXPECT_EQ(got[2].time.usec - got[0].time.usec, 310'000);
  std::uint32_t received = 0, dropped = 7;
  EXPECT_EQ(paced->stats(received, dropped), 1);
  EXPECT_EQ(received, 3U);
  EXPECT_EQ(dropped, 0U);

  auto fastest = open({0, 10'000, 310'000, 5'000'000}, replay_pace::fastest);
  ASSERT_NE(fastest, nullptr);
  EXPECT_LT(read_all(*fastest), 100);
}

TEST_F(Replay, APacedDispatchEndsAtTheReadTimeoutWithTheFramesItHas) {
  auto source = open({0, 100'000, 5'000'000}, replay_pace::timestamps);
  ASSERT_NE(source, nullptr);
  const auto start = clock_type::now();
  EXPECT_EQ(dispatch(*source), 2);
  const auto took = clock_type::now() - start;
  EXPECT_GE(took, CAPTURE_READ_TIMEOUT);
  EXPECT_LT(took, milliseconds(1500));
  EXPECT_FALSE(source->finished());
}

TEST_F(Replay, ABreakEndsAWaitForALateFrameAtOnce) {
  auto source = open({0, 60'000'000}, replay_pace::timestamps);
  ASSERT_NE(source, nullptr);
  auto dispatching = std::async(std::launch::async, [&] { return dispatch(*source); });
  std::this_thread::sleep_for(milliseconds(100));
  const auto asked = clock_type::now();
  source->breakloop();
  EXPECT_EQ(dispatching.get(), 1);  // the frame it had
  EXPECT_LT(clock_type::now() - asked, milliseconds(300));

  // A break asked between dispatches ends the next one before any frame, and only that one.
  source->breakloop();
  EXPECT_EQ(dispatch(*source), CAPTURE_BREAK);
  auto waiting = std::async(std::launch::async, [&] { return dispatch(*source); });
  EXPECT_EQ(waiting.wait_for(milliseconds(200)), std::future_status::timeout);
  source->breakloop();
  EXPECT_EQ(waiting.get(), CAPTURE_BREAK);
  EXPECT_EQ(got.size(), 1U);
}

// A file's frames are handed over without a copy: the octets of every frame a dispatch gave
// must still be the frame's own after the reader has had time to run ahead into more blocks.
TEST_F(Replay, AFilesFramesStayIntactUntilTheNextDispatch) {
  std::vector<demo::demo_frame> frames;
  for (std::size_t i = 0; i < 12'000; ++i) {  // many more than the reader may hold ahead
    demo::demo_frame f = station_frame(static_cast<std::uint8_t>(i % 200), 60 + i % 400, 1'700'000'000'000'000 + i);
    f.octets[40] = static_cast<std::uint8_t>(i >> 8);
    f.octets[41] = static_cast<std::uint8_t>(i);
    frames.push_back(f);
  }
  const std::string path = dir.file("kept.pcap");
  ASSERT_TRUE(demo::write_pcap(path, frames));
  std::string error;
  auto source = capture_source::open(file_adapter(path), CAPTURE_SNAPLEN_DEFAULT, replay_pace::fastest, error);
  ASSERT_NE(source, nullptr) << error;
  ASSERT_TRUE(source->frames_kept());
  std::size_t next = 0;
  while (!source->finished()) {
    std::vector<std::span<const std::uint8_t>> kept;
    const int delivered = source->dispatch(500, [](void* user, const frame_header&, std::span<const std::uint8_t> data) {
      static_cast<std::vector<std::span<const std::uint8_t>>*>(user)->push_back(data);
    }, &kept);
    ASSERT_GE(delivered, 0);
    std::this_thread::sleep_for(milliseconds(20));  // the reader fills every block it may
    for (const auto& data : kept) {
      ASSERT_LT(next, frames.size());
      ASSERT_TRUE(std::equal(data.begin(), data.end(), frames[next].octets.begin(), frames[next].octets.end()))
          << "frame " << next;
      ++next;
    }
  }
  EXPECT_EQ(next, frames.size());
}

}  // namespace
}  // namespace nw::test

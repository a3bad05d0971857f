// pd_decode runs for every captured frame, so it must never allocate. This binary replaces the
// global allocation functions with counting ones and checks that decoding leaves the count
// where it was.
#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "capture/capfile.h"
#include "corpus.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "tests/alloc_counter.h"

namespace {

const char* volatile escaped = nullptr;  // keeps the probe allocation from being optimised away

}  // namespace

namespace nw {
namespace {

// How many allocations fn made. fn must not report test failures: those allocate.
template <typename Fn>
std::uint64_t allocations_during(Fn&& fn) {
  const std::uint64_t before = test::allocation_count.load();
  fn();
  return test::allocation_count.load() - before;
}

struct frame_copy {
  int link_type;
  std::vector<std::uint8_t> octets;
  std::int32_t length;
};

class alloc_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl");
    if (root_ == nullptr) return;
    ethernet_ = pd_find_path(root_, "ROOT\\ETHERNET");
    token_ring_ = pd_find_path(root_, "ROOT\\TOKENRING");
  }

  void SetUp() override {
    ASSERT_NE(root_, nullptr) << "data/protocol.pdl did not load";
    ASSERT_NE(ethernet_, nullptr);
    ASSERT_NE(token_ring_, nullptr);
  }

  static protocol_node* media(int link_type) { return link_type == DLT_IEEE802 ? token_ring_ : ethernet_; }

  // Decodes every frame; returns the allocations made and adds up the nodes the frames matched.
  static std::size_t decode_all(const std::vector<frame_copy>& frames, std::size_t* matched) {
    return allocations_during([&] {
      for (const frame_copy& f : frames) {
        const decode_path& path = pd_decode(f.octets, f.length, media(f.link_type));
        for (const protocol_node* const* n = path.data(); *n != nullptr; ++n) ++*matched;
      }
    });
  }

  static protocol_node* root_;
  static protocol_node* ethernet_;
  static protocol_node* token_ring_;
};

protocol_node* alloc_test::root_ = nullptr;
protocol_node* alloc_test::ethernet_ = nullptr;
protocol_node* alloc_test::token_ring_ = nullptr;

// Without this the other tests would also pass with the counting functions never linked in.
TEST_F(alloc_test, CounterSeesAnAllocation) {
  const std::size_t made = allocations_during([] {
    const std::string text(200, 'x');
    escaped = text.c_str();
  });
  EXPECT_GE(made, 1U);
  EXPECT_NE(escaped, nullptr);
}

TEST_F(alloc_test, OddFramesDecodeWithoutAllocating) {
  std::vector<frame_copy> frames;
  const auto add = [&frames](std::vector<std::uint8_t> octets) {
    const auto size = static_cast<std::int32_t>(octets.size());
    for (const int link : {DLT_EN10MB, DLT_IEEE802}) {
      frames.push_back({link, octets, size});
      frames.push_back({link, octets, size + 1500});  // cut short by a snapshot length
    }
  };
  for (const std::size_t size : std::initializer_list<std::size_t>{0, 1, 13, 14, 22, 60}) {
    add(std::vector<std::uint8_t>(size, 0x00));
    add(std::vector<std::uint8_t>(size, 0xFF));
  }
  for (const std::uint8_t fill : std::initializer_list<std::uint8_t>{0x00, 0xFF, 0xAA}) {
    add(std::vector<std::uint8_t>(64 * 1024, fill));
  }
  // Arbitrary headers of every length up to a full frame, from a fixed seed.
  std::uint32_t state = 12345;
  for (int i = 0; i < 500; ++i) {
    std::vector<std::uint8_t> octets(static_cast<std::size_t>(i * 3 % 1515));
    for (auto& b : octets) {
      state = state * 1664525U + 1013904223U;
      b = static_cast<std::uint8_t>(state >> 24);
    }
    add(std::move(octets));
  }
  std::size_t matched = 0;
  EXPECT_EQ(decode_all(frames, &matched), 0U);
  EXPECT_GT(matched, frames.size()) << "the frames hardly reached the tree";
}

TEST_F(alloc_test, CorpusFramesDecodeWithoutAllocating) {
  const auto files = test::corpus_files();
  if (files.empty()) GTEST_SKIP() << "capture corpus absent";
  std::vector<frame_copy> frames;
  for (const auto& path : files) {
    capfile file;
    ASSERT_EQ(file.open(path.string()), 1) << path << ": " << file.error();
    const int link = file.link_type();
    ASSERT_TRUE(link == DLT_EN10MB || link == DLT_IEEE802) << path << ": link type " << link;
    ASSERT_EQ(file.for_each([&](const capfile_frame& f) {
                const auto length = static_cast<std::int32_t>(f.length);
                frames.push_back({link, {f.octets.begin(), f.octets.end()}, length});
              }),
              1)
        << path << ": " << file.error();
  }
  std::size_t matched = 0;
  EXPECT_EQ(decode_all(frames, &matched), 0U) << "over " << frames.size() << " frames";
  EXPECT_GT(matched, frames.size());
}

}  // namespace
}  // namespace nw

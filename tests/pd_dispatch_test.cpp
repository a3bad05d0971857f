// The searched child lists must give exactly the node that trying each child in turn gives:
// checked against a plain walk on random trees with overlapping ranges, masks, byte orders and
// two offsets, and on every corpus frame with the shipped protocol file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "capture/capfile.h"
#include "pdl/pd.h"
#include "tests/corpus.h"
#include "tests/pdl_test_support.h"

namespace nw {
namespace {

using bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> from(std::span<const std::uint8_t> frame, std::uint64_t offset) {
  return offset < frame.size() ? frame.subspan(static_cast<std::size_t>(offset))
                               : std::span<const std::uint8_t>{};
}

bool plain_matches(const protocol_node* n, std::span<const std::uint8_t> frame, std::uint64_t at) {
  return pd_match(n, from(frame, at + n->offset)) != 0 ||
         (n->two_offsets != 0 && pd_match(n, from(frame, at + n->offset2)) != 0);
}

// The walk as first written: every sibling tried in list order.
std::vector<const protocol_node*> plain_decode(std::span<const std::uint8_t> frame,
                                               protocol_node* start) {
  std::vector<const protocol_node*> path;
  const protocol_node* current = start;
  const protocol_node* previous = start;
  std::uint64_t position = 0;
  while (current != nullptr) {
    if (!plain_matches(current, frame, position)) {
      current = current->next;
      continue;
    }
    path.push_back(current);
    std::uint32_t accumulator = 0;
    pd_length(previous->def->length_rules, from(frame, position), &accumulator);
    position += std::uint64_t{accumulator} + previous->def->header_length;
    previous = current;
    current = current->child;
  }
  return path;
}

std::vector<const protocol_node*> fast_decode(std::span<const std::uint8_t> frame, protocol_node* start) {
  std::vector<const protocol_node*> path;
  for (const protocol_node* n : pd_decode(frame, 1, start)) {
    if (n == nullptr) break;
    path.push_back(n);
  }
  return path;
}

// Three levels of blocks whose children mostly share a field (so that they form runs), with
// narrow overlapping ranges over small values so that random frames hit them often.
std::string random_tree(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char* sizes[] = {"byte", "word", "word (IBO)", "lword", "mask byte", "mask word"};
  std::string prims, blocks = "protocol ROOT: 0 \"r\" 0 { byte: 0 L0_0 }\n";
  int next_leaf = 0;
  for (int level = 0; level < 3; ++level) {
    for (int b = 0; b < (level == 0 ? 1 : 3); ++b) {
      const std::string name = "L" + std::to_string(level) + "_" + std::to_string(b);
      blocks += "protocol " + name + ": 0, 0xFFFFFFFF \"x\" " + std::to_string(pick(3)) + " {";
      const std::string shared = sizes[pick(6)];
      const int shared_offset = pick(4);
      const bool shared_two = pick(2) == 0;
      for (int c = 0, children = 1 + pick(12); c < children; ++c) {
        const bool odd = pick(5) == 0;
        const std::string type = odd ? sizes[pick(6)] : shared;
        const int offset = odd ? pick(4) : shared_offset;
        std::string child = level < 2 && pick(4) == 0
                                ? "L" + std::to_string(level + 1) + "_" + std::to_string(pick(3))
                                : "LEAF" + std::to_string(next_leaf++);
        if (child.starts_with("LEAF")) {
          const unsigned low = rng() % 8;
          prims += "primitive " + child + ": " + std::to_string(low) + ", " +
                   std::to_string(low + rng() % 6) + " \"leaf\"\n";
        }
        blocks += " " + type + ": " + std::to_string(offset);
        if (odd ? pick(2) == 0 : shared_two) blocks += ", " + std::to_string(offset + 1 + pick(2));
        blocks += " " + child;
      }
      blocks += " }\n";
    }
  }
  return prims + blocks;
}

TEST(PdDispatch, AgreesWithThePlainWalkOnRandomTrees) {
  std::mt19937 rng(20261206);
  for (int tree = 0; tree < 200; ++tree) {
    const std::string text = random_tree(rng);
    const auto pdl = test::load_pdl(text);
    ASSERT_NE(pdl.root, nullptr) << text;
    protocol_node* start = pdl.root->child;
    for (int f = 0; f < 200; ++f) {
      bytes frame(rng() % 12);
      for (auto& octet : frame) octet = static_cast<std::uint8_t>(rng() % 8);
      ASSERT_EQ(fast_decode(frame, start), plain_decode(frame, start)) << text;
    }
  }
}

TEST(PdDispatch, AgreesWithThePlainWalkOnTheCorpus) {
  const auto files = test::corpus_files();
  if (files.empty()) GTEST_SKIP() << "no capture corpus";
  protocol_node* root = pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl");
  ASSERT_NE(root, nullptr);
  for (const auto& path : files) {
    capfile file;
    ASSERT_EQ(file.open(path.string()), 1) << file.error();
    protocol_node* start = pd_find_path(root, capfile_media_path(file.link_type()));
    ASSERT_NE(start, nullptr);
    int frame_number = 0;
    const int read = file.for_each([&](const capfile_frame& frame) {
      ++frame_number;
      ASSERT_EQ(fast_decode(frame.octets, start), plain_decode(frame.octets, start))
          << path.filename() << " frame " << frame_number;
    });
    EXPECT_EQ(read, 1) << file.error();
  }
}

}  // namespace
}  // namespace nw

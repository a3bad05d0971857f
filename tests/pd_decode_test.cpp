// Classifying frames: where each field is read, the match rules, length rules, counters and
// the look-ups by path.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pdl/pd.h"
#include "pdl/pd_stat.h"
#include "tests/pdl_test_support.h"

namespace nw {
namespace {

using bytes = std::vector<std::uint8_t>;
using test::load_pdl;

std::vector<std::string> decode_names(const bytes& frame, protocol_node* start, std::int32_t length = -1) {
  const auto& path = pd_decode(frame, length < 0 ? static_cast<std::int32_t>(frame.size()) : length, start);
  std::vector<std::string> names;
  for (const protocol_node* n : path) {
    if (n == nullptr) break;
    names.push_back(n->def->name);
  }
  return names;
}

// A media level of header length 0, a framing level whose children count from the frame
// start, and a network level with a variable header: from there on every protocol's offsets
// count from its own header.
constexpr const char* layered = R"(
  primitive SERVICE: 0x01BB "Service"
  protocol ROOT: 0 "Network" 0 { byte: 0 MEDIA }
  protocol MEDIA: 0, 255 "Media" 0 { word: 2 FRAMING }
  protocol FRAMING: 0x0800 "Framing" 4 { byte: 4 NET }
  protocol NET: 0x45, 0x46 "Net" 4 + { mask byte: 0 0x0F == 6 4 } { byte: 1 TRANSPORT }
  protocol TRANSPORT: 6 "Transport" 2 { word: 0, 1 SERVICE }
)";

TEST(PdDecode, EachFieldIsReadFromItsOwnHeader) {
  auto pdl = load_pdl(layered);
  ASSERT_NE(pdl.root, nullptr);
  ASSERT_TRUE(pdl.messages.empty());
  protocol_node* media = pd_find_path(pdl.root, "ROOT\\MEDIA");
  ASSERT_NE(media, nullptr);
  struct frame_case {
    const char* why;
    bytes frame;
    std::vector<std::string> path;
  };
  const std::vector<frame_case> cases = {
      // framing header 4 (type at 2), net header 4 (transport at 1), service at transport + 0
      {"service at the first offset", {0, 0, 0x08, 0x00, 0x45, 6, 0, 0, 0x01, 0xBB, 0, 0},
       {"MEDIA", "FRAMING", "NET", "TRANSPORT", "SERVICE"}},
      {"service at the second offset", {0, 0, 0x08, 0x00, 0x45, 6, 0, 0, 0x00, 0x01, 0xBB, 0},
       {"MEDIA", "FRAMING", "NET", "TRANSPORT", "SERVICE"}},
      // a net header of 8 (length rule adds 4): the service moves by four octets
      {"length rule moves the next header", {0, 0, 0x08, 0x00, 0x46, 6, 0, 0, 0x01, 0xBB, 0, 0, 0x01, 0xBB},
       {"MEDIA", "FRAMING", "NET", "TRANSPORT", "SERVICE"}},
      {"length rule applied, service absent", {0, 0, 0x08, 0x00, 0x46, 6, 0, 0, 0x01, 0xBB, 0, 0, 0, 0},
       {"MEDIA", "FRAMING", "NET", "TRANSPORT", "OTHER_TRANSPORT"}},
      {"unknown framing", {0, 0, 0x08, 0x06, 0x45, 6}, {"MEDIA", "OTHER_MEDIA"}},
      {"frame ends before the service field", {0, 0, 0x08, 0x00, 0x45, 6, 0, 0, 0x01},
       {"MEDIA", "FRAMING", "NET", "TRANSPORT", "OTHER_TRANSPORT"}},
      {"frame ends inside the framing type", {0, 0, 0x08}, {"MEDIA", "OTHER_MEDIA"}},
      {"empty frame", {}, {"OTHER_ROOT"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(decode_names(c.frame, media), c.path);
  }
}

TEST(PdDecode, CountsEveryMatchedNodeWithTheWireLength) {
  auto pdl = load_pdl(layered);
  protocol_node* media = pd_find_path(pdl.root, "ROOT\\MEDIA");
  const bytes frame{0, 0, 0x08, 0x00, 0x45, 6, 0, 0, 0x01, 0xBB};
  decode_names(frame, media, 1514);
  decode_names(frame, media, 60);
  const protocol_node* service = pd_find_path(pdl.root, "ROOT\\MEDIA\\FRAMING\\NET\\TRANSPORT\\SERVICE");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(pd_stat_frames(media), 2.0);
  EXPECT_EQ(pd_stat_bytes(media), 1574.0);
  EXPECT_EQ(pd_stat_frames(service), 2.0);
  EXPECT_EQ(pd_stat_frames(pdl.root), 0.0);  // decoding starts below the root
  pd_stat_clear(service->stats);
  EXPECT_EQ(pd_stat_bytes(service), 0.0);
  EXPECT_EQ(pd_stat_bytes(media), 1574.0);
  EXPECT_EQ(pd_stat_bytes(nullptr), 0.0);
  pd_stat_clear(nullptr);
}

TEST(PdDecode, StartHeaderLengthCountsTwice) {
  // The start node's header (2) is skipped after it matches and again after its child does.
  auto pdl = load_pdl(R"(
    primitive GRANDCHILD: 0xCC "Grandchild"
    protocol ROOT: 0 "Network" 0 { byte: 0 START }
    protocol START: 0, 255 "Start" 2 { byte: 0 CHILD }
    protocol CHILD: 0xAA "Child" 1 { byte: 0 GRANDCHILD })");
  ASSERT_TRUE(pdl.messages.empty());
  protocol_node* start = pd_find_path(pdl.root, "ROOT\\START");
  // CHILD at 0 + 2; GRANDCHILD at 0 + 2 + 2 (not 2 + 1: the header skipped is START's again)
  EXPECT_EQ(decode_names({0, 0, 0xAA, 0, 0xCC}, start),
            (std::vector<std::string>{"START", "CHILD", "GRANDCHILD"}));
  EXPECT_EQ(decode_names({0, 0, 0xAA, 0xCC, 0}, start),
            (std::vector<std::string>{"START", "CHILD", "OTHER_CHILD"}));
}

TEST(PdDecode, NoMatchOfTheStartTriesItsSiblings) {
  auto pdl = load_pdl(R"(
    primitive FIRST: 1 "First"
    primitive LATER: 2 "Later"
    protocol ROOT: 0 "Network" 0 { byte: 0 LATER  byte: 0 FIRST })");
  ASSERT_TRUE(pdl.messages.empty());
  protocol_node* first = pd_find_path(pdl.root, "ROOT\\FIRST");
  EXPECT_EQ(decode_names({2}, first), (std::vector<std::string>{"LATER"}));
  EXPECT_EQ(decode_names({3}, first), (std::vector<std::string>{"OTHER_ROOT"}));
}

TEST(PdMatch, MaskRangeAndByteOrder) {
  auto pdl = load_pdl(R"(
    primitive MASKED: 0x0006, 0x0001 "Masked"
    primitive LE: 0x0800 "Little-endian"
    primitive BE: 0x0800 "Big-endian"
    primitive L4: 0x01020304, 0x01020305 "Four octets"
    protocol ROOT: 0 "Network" 0 { mask word: 0 MASKED  word (IBO): 0 LE  word: 0 BE  lword (IBO): 0 L4 })");
  const auto node_of = [&](const char* name) {
    return pd_find_path(pdl.root, std::string("ROOT\\") + name);
  };
  const bytes le{0x00, 0x08}, be{0x08, 0x00}, four{0x05, 0x03, 0x02, 0x01};
  EXPECT_EQ(pd_match(node_of("LE"), le), 1);
  EXPECT_EQ(pd_match(node_of("LE"), be), 0);
  EXPECT_EQ(pd_match(node_of("BE"), be), 1);
  EXPECT_EQ(pd_match(node_of("BE"), le), 0);
  EXPECT_EQ(pd_match(node_of("L4"), four), 1);
  EXPECT_EQ(pd_match(node_of("L4"), bytes{0x03, 0x03, 0x02, 0x01}), 0);
  // A mask matches when any of its bits is set, whatever the high bound says.
  EXPECT_EQ(pd_match(node_of("MASKED"), bytes{0x00, 0x04}), 1);
  EXPECT_EQ(pd_match(node_of("MASKED"), bytes{0xFF, 0xF9}), 0);
  EXPECT_EQ(pd_match(node_of("BE"), bytes{0x08}), 0);  // one octet short
  EXPECT_EQ(pd_match(node_of("OTHER_ROOT"), bytes{}), 1);
}

TEST(PdLength, FirstApplyingRuleWinsAndThenListsAdd) {
  auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 + {
      byte: 0 1 == 1 10 + { byte: 1 length  mask byte: 2 length 0x0F }
      byte: 0 1 == 1 100
      mask byte: 0 0xF0 == 0x20 7
      word (IBO): 1 length
    } { byte: 0 A })");
  const length_rule* rules = pdl.root->def->length_rules;
  const auto length_of = [&](const bytes& header) {
    std::uint32_t accumulator = 5;
    pd_length(rules, header, &accumulator);
    return accumulator - 5;
  };
  EXPECT_EQ(length_of({1, 3, 0xF4}), 10U + 3U);     // then list: first rule applies, stops
  EXPECT_EQ(length_of({0x2F, 9, 9}), 7U);           // masked comparison
  EXPECT_EQ(length_of({0x30, 0x34, 0x12}), 0x1234U);  // a length field, least-significant first
  EXPECT_EQ(length_of({0x30, 0x34}), 0U);           // the length field lies beyond the frame
  EXPECT_EQ(length_of({1}), 10U);                   // then rules beyond the frame add nothing
  std::uint32_t untouched = 9;
  pd_length(nullptr, bytes{1, 2}, &untouched);
  EXPECT_EQ(untouched, 9U);
}

TEST(PdDecode, PathHoldsTwentyNodesButCountsEveryOne) {
  std::string text = "protocol ROOT: 0 \"Network\" 0 { byte: 0 P0 }\n";
  for (int i = 0; i < 25; ++i) {
    text += "protocol P" + std::to_string(i) + ": 0, 255 \"p\" 0 { byte: 0 P" + std::to_string(i + 1) + " }\n";
  }
  auto pdl = load_pdl(text);
  protocol_node* start = pd_find_path(pdl.root, "ROOT\\P0");
  ASSERT_NE(start, nullptr);
  const auto& path = pd_decode(bytes{0}, 1, start);
  for (int i = 0; i < PDL_PATH_MAX; ++i) ASSERT_NE(path[static_cast<std::size_t>(i)], nullptr);
  EXPECT_EQ(path[PDL_PATH_MAX], nullptr);
  EXPECT_EQ(path[PDL_PATH_MAX - 1]->def->name, "P19");
  const protocol_node* deepest = pd_find_path(pdl.root, "P25");
  ASSERT_NE(deepest, nullptr);
  EXPECT_EQ(pd_stat_frames(deepest), 1.0);

  // Classifying alone counts nothing, and refuses a path it cannot hold whole: counting it
  // later would miss the nodes past the twentieth.
  decode_path classified{};
  EXPECT_FALSE(pd_classify(bytes{0}, start, classified));
  EXPECT_EQ(pd_stat_frames(deepest), 1.0);
  protocol_node* shallow = pd_find_path(pdl.root, "P10");
  ASSERT_TRUE(pd_classify(bytes{0}, shallow, classified));
  EXPECT_EQ(classified[0]->def->name, "P10");
  EXPECT_EQ(classified[15]->def->name, "P25");
  EXPECT_EQ(classified[16], nullptr);
  pd_count(classified.data(), 5);
  EXPECT_EQ(pd_stat_frames(deepest), 2.0);
  EXPECT_EQ(pd_stat_bytes(deepest), 6.0);
}

TEST(PdFindPath, WalksInPreOrderAndNeverGivesBackAComponent) {
  auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 B  byte: 0 A }
    protocol A: 0, 255 "A" 0 { byte: 0 C }
    protocol B: 0, 255 "B" 0 { byte: 0 D })");
  protocol_node* a = pd_find_path(pdl.root, "ROOT\\A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\A"), a);  // the same node every time
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\A\\C")->def->name, "C");
  // "B" is found after A's subtree, among A's following siblings.
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\B\\D")->def->name, "D");
  // A consumes "A" on the way; the D below B then matches no "A\D" branch, yet it is found.
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\A\\D")->def->name, "D");
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\C\\A"), nullptr);
  EXPECT_EQ(pd_find_path(pdl.root, ""), nullptr);
  EXPECT_EQ(pd_find_path(pdl.root, "ROOT\\"), nullptr);
  EXPECT_EQ(pd_find_path(pdl.root, "NOWHERE"), nullptr);
}

TEST(PdPathName, InnermostFirstAndUnchangedWhenAbsent) {
  auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 B  byte: 0 A }
    protocol A: 0, 255 "A" 0 { byte: 0 C })");
  const protocol_node* c = pd_find_path(pdl.root, "ROOT\\A\\C");
  std::string text = "unchanged";
  ASSERT_EQ(pd_path_name(pdl.root, c, &text), 1);
  EXPECT_EQ(text, "C\\A\\ROOT");
  protocol_node* a = pd_find_path(pdl.root, "ROOT\\A");
  ASSERT_EQ(pd_path_name(a, a, &text), 1);
  EXPECT_EQ(text, "A");
  text = "unchanged";
  const protocol_node* b = pd_find_path(pdl.root, "ROOT\\B");
  EXPECT_EQ(pd_path_name(a->child, b, &text), 0);  // B is not below A's children
  EXPECT_EQ(text, "unchanged");
  // Following siblings are searched too, without adding the start's name.
  ASSERT_EQ(a->next, b);
  ASSERT_EQ(pd_path_name(a, b, &text), 1);
  EXPECT_EQ(text, "B");
}

}  // namespace
}  // namespace nw

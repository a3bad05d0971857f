// Reading the protocol file: the tree's shape, definitions, length rules and the messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pdl/pd.h"
#include "pdl/pd_resolve.h"
#include "pdl/symbol.h"
#include "tests/pdl_test_support.h"

namespace nw {
namespace {

using test::load_pdl;
using test::names_of;

TEST(PdlTree, ChildrenAreReversedWithTheCatchAllLast) {
  const auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 {
      byte: 0 FIRST
      word: 0, 2 SECOND
      lword (IBO): 12 THIRD
    })");
  ASSERT_NE(pdl.root, nullptr);
  EXPECT_TRUE(pdl.messages.empty());
  EXPECT_EQ(names_of(pdl.root->child),
            (std::vector<std::string>{"THIRD", "SECOND", "FIRST", "OTHER_ROOT"}));

  const protocol_node* third = pdl.root->child;
  EXPECT_EQ(third->def->field_type, 4U | PD_FIELD_IBO);
  EXPECT_EQ(third->offset, 12U);
  EXPECT_EQ(third->offset2, 12U);
  EXPECT_EQ(third->two_offsets, 0);
  const protocol_node* second = third->next;
  EXPECT_EQ(second->two_offsets, 1);
  EXPECT_EQ(second->offset, 0U);
  EXPECT_EQ(second->offset2, 2U);

  const protocol_node* other = second->next->next;
  EXPECT_EQ(other->def->description, "Other Network");
  EXPECT_EQ(other->def->field_type, 0U);
  EXPECT_EQ(other->def->low, 0U);
  EXPECT_EQ(other->def->high, 0xFFFFFFFFU);
  EXPECT_EQ(other->def->refs, 1);
  EXPECT_EQ(other->next, nullptr);
  EXPECT_EQ(symbol_find("OTHER_ROOT")->kind, SYMBOL_CATCH_ALL);
  EXPECT_EQ(symbol_find("FIRST")->kind, SYMBOL_USED);
  EXPECT_EQ(pdl.root->def->refs, 0);
}

TEST(PdlTree, PrimitivesGiveValuesAndByteEqualsOctet) {
  const auto pdl = load_pdl(R"(
    primitive TCP: 6 "TCP"
    primitive RANGE: 1, 5 "Range"
    protocol ROOT: 0 "Network" 0 { octet: 9 TCP  mask word (NBO): 4 RANGE })");
  ASSERT_NE(pdl.root, nullptr);
  const symbol* tcp = symbol_find("TCP");
  ASSERT_NE(tcp, nullptr);
  EXPECT_EQ(tcp->kind, SYMBOL_PRIMITIVE);
  EXPECT_EQ(tcp->def->description, "TCP");
  EXPECT_EQ(tcp->def->low, 6U);
  EXPECT_EQ(tcp->def->high, 6U);
  EXPECT_EQ(tcp->def->field_type, 1U);
  EXPECT_EQ(tcp->def->refs, 1);
  const symbol* range = symbol_find("RANGE");
  EXPECT_EQ(range->def->low, 1U);
  EXPECT_EQ(range->def->high, 5U);
  EXPECT_EQ(range->def->field_type, 2U | PD_FIELD_MASK);
}

TEST(PdlTree, PrimitivesOnlyGiveNoRoot) {
  const auto pdl = load_pdl(R"(primitive A: 1 "a" primitive B: 2 "b")");
  EXPECT_EQ(pdl.root, nullptr);
  EXPECT_TRUE(pdl.messages.empty());
  EXPECT_EQ(load_pdl("").root, nullptr);
}

// A protocol named in three blocks: three nodes, and the two that are not its canonical node
// get copies of its children with counters of their own.
TEST(PdlTree, ProtocolInThreeBlocksGetsItsSubtreeEverywhere) {
  const auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 A  byte: 0 B  byte: 0 C }
    protocol A: 0, 255 "A" 1 { byte: 1 IP }
    protocol B: 0, 255 "B" 2 { byte: 2 IP }
    protocol C: 0, 255 "C" 3 { byte: 3 IP }
    protocol IP: 4 "IPv4" 20 { byte: 9 TCP }
  )");
  ASSERT_NE(pdl.root, nullptr);
  const protocol_def* ip = symbol_find("IP")->def;
  EXPECT_EQ(ip->refs, 3);
  const protocol_node* canonical = pd_index_find(ip);
  ASSERT_NE(canonical, nullptr);
  int places = 0;
  for (const protocol_node* parent = pdl.root->child; parent->next != nullptr; parent = parent->next) {
    const protocol_node* node = parent->child;
    ASSERT_EQ(node->def, ip);
    ++places;
    EXPECT_EQ(node->offset, parent->def->header_length);  // each place keeps its own offset
    EXPECT_EQ(names_of(node->child), (std::vector<std::string>{"TCP", "OTHER_IP"}));
    if (node != canonical) {
      EXPECT_NE(node->child, canonical->child);
      EXPECT_NE(node->child->stats, canonical->child->stats);
    }
  }
  EXPECT_EQ(places, 3);
}

// X's copy inside A's copy exists only after the first pass has filled A's own X.
TEST(PdlTree, CopiesNestedTwoDeepAreCompletedByTheSecondPass) {
  const auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 X  byte: 0 A  byte: 0 B }
    protocol X: 0, 255 "X" 0 { byte: 0 Y }
    protocol A: 0, 255 "A" 0 { byte: 0 X }
    protocol B: 0, 255 "B" 0 { byte: 0 A }
  )");
  ASSERT_NE(pdl.root, nullptr);
  const protocol_node* b = pdl.root->child;
  ASSERT_EQ(b->def->name, "B");
  const protocol_node* a_in_b = b->child;
  ASSERT_EQ(a_in_b->def->name, "A");
  const protocol_node* x_in_a_in_b = a_in_b->child;
  ASSERT_EQ(x_in_a_in_b->def->name, "X");
  EXPECT_EQ(names_of(x_in_a_in_b->child), (std::vector<std::string>{"Y", "OTHER_X"}));
}

TEST(PdlTree, ABlockWrittenBeforeItsParentIsTakenAsTheChild) {
  const auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 LATE }
    protocol EARLY: 0, 255 "Early" 0 { byte: 0 Z }
    protocol LATE: 0, 255 "Late" 0 { byte: 0 EARLY }
  )");
  ASSERT_NE(pdl.root, nullptr);
  const protocol_node* early = pdl.root->child->child;
  ASSERT_EQ(early->def->name, "EARLY");
  EXPECT_EQ(early, pd_index_find(early->def));
  EXPECT_EQ(early->def->refs, 1);
  EXPECT_EQ(names_of(early->child), (std::vector<std::string>{"Z", "OTHER_EARLY"}));
}

TEST(PdlTree, LengthRulesKeepFileOrderAndNest) {
  const auto pdl = load_pdl(R"(
    primitive FIVE: 1, 5 "Five"
    protocol ROOT: 0 "Network" 14 + {
      byte: 0 3 == 4 8
      mask byte: 1 FIVE == 2 16 + { word (IBO): 2 length  mask byte: 3 length 0x0F }
      byte: 4 FIVE 1
      lword: 5 length 7
    } { byte: 0 A })");
  ASSERT_NE(pdl.root, nullptr);
  const length_rule* r = pdl.root->def->length_rules;
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->field_type, 1U);
  EXPECT_EQ(r->value, 3U);
  EXPECT_EQ(r->masked_value, 4U);
  EXPECT_EQ(r->increment, 8U);
  r = r->next;
  EXPECT_EQ(r->field_type, 1U | PD_FIELD_MASK);
  EXPECT_EQ(r->value, 5U);  // a name stands for the high bound of its range
  EXPECT_EQ(r->masked_value, 2U);
  EXPECT_EQ(r->increment, 16U);
  ASSERT_NE(r->then, nullptr);
  EXPECT_EQ(r->then->field_type, 2U | PD_FIELD_IBO | PD_FIELD_LENGTH);
  EXPECT_EQ(r->then->next->field_type, 1U | PD_FIELD_MASK | PD_FIELD_LENGTH);
  EXPECT_EQ(r->then->next->value, 0x0FU);
  r = r->next;
  EXPECT_EQ(r->value, 5U);
  EXPECT_EQ(r->masked_value, 0U);
  EXPECT_EQ(r->increment, 1U);
  r = r->next;
  EXPECT_EQ(r->field_type, 4U | PD_FIELD_LENGTH);
  EXPECT_EQ(r->value, 7U);
  EXPECT_EQ(r->next, nullptr);
}

TEST(PdlTree, LongTextsAreCutOrRefused) {
  // A description is cut to 39 bytes without splitting a two-byte character.
  const auto cut = load_pdl(
      "protocol ROOT: 0 \"Сетевой уровень протокола длинный\" 0 { byte: 0 A }");
  ASSERT_NE(cut.root, nullptr);
  EXPECT_EQ(cut.root->def->description, "Сетевой уровень прот");  // 38 bytes
  // A block name leaves room for its catch-all: 33 characters pass, 34 do not.
  const std::string name33(33, 'N');
  EXPECT_NE(load_pdl("protocol " + name33 + ": 0 \"x\" 0 { byte: 0 A }").root, nullptr);
  const auto long_block = load_pdl("protocol " + name33 + "X: 0 \"x\" 0 { byte: 0 A }");
  EXPECT_EQ(long_block.root, nullptr);
  EXPECT_EQ(long_block.messages.size(), 1U);
  EXPECT_EQ(load_pdl("protocol ROOT: 0 \"x\" 0 { byte: 0 " + std::string(40, 'C') + " }").root,
            nullptr);
}

struct broken_file {
  const char* why;
  const char* text;
  bool keeps_root;   // the first block was complete before the error
  int line;          // where the error is reported
};

TEST(PdlTree, SyntaxErrorsStopReadingAndReportTheLine) {
  const std::vector<broken_file> cases = {
      {"error in the second block", "protocol ROOT: 0 \"r\" 0 { byte: 0 A }\nprotocol A: 1 \"a\" 0 {\n byte: 0 }", true, 3},
      {"primitive after a block", "protocol ROOT: 0 \"r\" 0 { byte: 0 A }\n\nprimitive P: 1 \"p\"", true, 3},
      {"empty block", "protocol ROOT: 0 \"r\" 0 { }", false, 1},
      {"stray character", "protocol ROOT: 0 \"r\" 0 { byte: 0 A ; }", false, 1},
      {"broken comment", "/* a*b/c */ protocol ROOT: 0 \"r\" 0 { byte: 0 A }", false, 1},
      {"order without parentheses", "protocol ROOT: 0 \"r\" 0 { word IBO: 0 A }", false, 1},
      {"condition names nothing", "protocol ROOT: 0 \"r\" 0 + { byte: 0 NOWHERE 4 } { byte: 0 A }", false, 1},
      {"second block of an unnamed protocol", "protocol ROOT: 0 \"r\" 0 { byte: 0 A }\nprotocol ROOT: 0 \"r\" 0 { byte: 0 B }", true, 2},
      {"block placed under itself", "protocol ROOT: 0 \"r\" 0 { byte: 0 ROOT }", false, 1},
      {"loop through a later block", "protocol ROOT: 0 \"r\" 0 { byte: 0 A }\nprotocol A: 0 \"a\" 0 { byte: 0 ROOT }", true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const auto pdl = load_pdl(c.text);
    EXPECT_EQ(pdl.root != nullptr, c.keeps_root);
    ASSERT_EQ(pdl.messages.size(), 1U);
    EXPECT_EQ(pdl.messages[0].text, "parse error на линии [" + std::to_string(c.line) + "]");
    EXPECT_EQ(pdl.messages[0].caption, "Ошибка");
    EXPECT_EQ(pdl.messages[0].icon, message_icon::none);
  }
}

TEST(PdlTree, DeeplyNestedLengthRulesOverflowTheParserStack) {
  std::string text = "protocol ROOT: 0 \"r\" 0 + { byte: 0 1 == 1 1 ";
  for (int i = 0; i < 3000; ++i) text += "+ { byte: 0 1 == 1 1 ";
  const auto pdl = load_pdl(text);
  EXPECT_EQ(pdl.root, nullptr);
  ASSERT_EQ(pdl.messages.size(), 1U);
  EXPECT_EQ(pdl.messages[0].text.rfind("parser stack overflow на линии", 0), 0U);
}

TEST(PdlTree, ASubtreeMultipliedBeyondTheLimitIsCutAndReported) {
  // 250 places of X, each to receive a copy of X's 1000 children: a quarter million nodes.
  std::string text = "protocol ROOT: 0 \"r\" 0 {";
  for (int i = 0; i < 250; ++i) text += " byte: 0 X";
  text += " }\nprotocol X: 0 \"x\" 0 {";
  for (int i = 0; i < 1000; ++i) text += " byte: 1 Y";
  text += " }";
  const auto pdl = load_pdl(text);
  ASSERT_NE(pdl.root, nullptr);
  ASSERT_EQ(pdl.messages.size(), 1U);
  EXPECT_EQ(pdl.messages[0].text, "protocol tree too large");
  EXPECT_LE(pd_node_count(), PD_NODE_LIMIT);
}

TEST(PdlTree, AMissingFileIsReported) {
  const auto path = std::filesystem::temp_directory_path() / "nodewren-no-such.pdl";
  std::filesystem::remove(path);
  std::vector<message> seen;
  message_set_hook([&](const message& m) { seen.push_back(m); });
  EXPECT_EQ(pdl_load(path.string()), nullptr);
  EXPECT_EQ(pdl_load(std::filesystem::temp_directory_path().string()), nullptr);  // a directory
  message_set_hook(nullptr);
  ASSERT_EQ(seen.size(), 2U);
  EXPECT_EQ(seen[0].text, "Could not open " + path.string() + " for parsing");
  EXPECT_EQ(seen[0].caption, "Nodewren");
  EXPECT_EQ(seen[0].icon, message_icon::exclamation);
  EXPECT_EQ(pdl_root(), nullptr);
}

TEST(PdlTree, ReadsAFileFromDisk) {
  const auto path = std::filesystem::temp_directory_path() / "nodewren-tree-test.pdl";
  std::ofstream(path) << "protocol ROOT: 0 \"Network\" 0 { byte: 0 ETHERNET }\n";
  protocol_node* root = pdl_load(path.string());
  std::filesystem::remove(path);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(pdl_root(), root);
  EXPECT_EQ(pd_find_path(root, "ROOT\\ETHERNET")->def->name, "ETHERNET");
}

}  // namespace
}  // namespace nw

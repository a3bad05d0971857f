// The colour and focus file over the product's protocol tree: every node of the tree survives
// a save and a load, paths are written from the root and read in either order, and damaged
// files (cut anywhere, huge counts, overlong lines, a rejected colour block) keep what can be
// read and say why. Choosing the current focus by name.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/message.h"
#include "map/focus_file.h"
#include "model/linkstat.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "tests/capture_test_support.h"

namespace nw::test {
namespace {

namespace fs = std::filesystem;

protocol_node* tree() {
  static protocol_node* const root = pdl_load(std::string(NODEWREN_SOURCE_DIR) + "/data/protocol.pdl");
  return root;
}

void all_nodes(protocol_node* n, std::vector<protocol_node*>& out) {
  for (; n != nullptr; n = n->next) {
    out.push_back(n);
    all_nodes(n->child, out);
  }
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void put_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string word(std::uint32_t w) {
  return {static_cast<char>(w), static_cast<char>(w >> 8), static_cast<char>(w >> 16), static_cast<char>(w >> 24)};
}

std::string color_block(std::uint32_t count) {
  std::string b = word(count);
  for (std::uint32_t k = 0; k < count; ++k) b += word(k * 0x010101u);
  return b;
}

std::string record(const std::string& name, const std::vector<std::pair<std::string, std::uint32_t>>& entries) {
  std::string b = name + "\n" + word(static_cast<std::uint32_t>(entries.size()));
  for (const auto& [path, color] : entries) b += path + "\n" + word(color);
  return b;
}

std::shared_ptr<named_focus> make_focus(const std::string& name, std::vector<focus_entry> entries) {
  auto f = std::make_shared<named_focus>();
  f->name = name;
  f->focus.entries = std::move(entries);
  f->unresolved.assign(f->focus.entries.size(), "");
  return f;
}

protocol_node* at(const char* root_first) {
  protocol_node* n = pd_find_path(tree(), root_first);
  EXPECT_NE(n, nullptr) << root_first;
  return n;
}

class FocusFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(tree(), nullptr);
    message_set_hook([this](const message& m) { shown.push_back(m); });
  }
  void TearDown() override {
    link_set_focus(nullptr);
    message_set_hook({});
  }
  int load() {
    shown.clear();
    loaded = focus_set{};
    return focus_load(file, tree(), loaded);
  }

  temp_dir dir;
  std::string file = dir.file("cfdump.bin");
  focus_set loaded;
  std::vector<message> shown;
};

// Nodes from all over the tree, the deepest included; each path search walks the tree, so the
// whole of it would take long.
TEST_F(FocusFile, NodesOfTheWholeTreeAndTheColoursSurviveASaveAndALoad) {
  std::vector<protocol_node*> every;
  all_nodes(tree(), every);
  ASSERT_GT(every.size(), 100u);
  std::vector<protocol_node*> nodes;
  for (std::size_t k = 0; k < every.size(); k += every.size() / 400 + 1) nodes.push_back(every[k]);
  nodes.push_back(every.back());
  focus_set set;
  for (std::size_t k = 0; k < set.colors.size(); ++k) set.colors[k] = static_cast<std::uint32_t>(k * 7 + 1);
  std::vector<focus_entry> entries;
  for (std::size_t k = 0; k < nodes.size(); ++k) entries.push_back({nodes[k], static_cast<std::int32_t>(k % 33)});
  set.foci.push_back(make_focus("Everything", entries));
  set.foci.push_back(make_focus("Empty", {}));
  auto odd = make_focus("Odd", {{nullptr, 5}, {at("ROOT\\ETHERNET"), 32}});
  odd->unresolved[0] = "ROOT\\ETHERNET\\GONE";
  set.foci.push_back(odd);
  ASSERT_EQ(focus_save(file, tree(), set), 1);
  EXPECT_FALSE(fs::exists(file + ".new"));

  ASSERT_EQ(load(), 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(loaded.colors, set.colors);
  ASSERT_EQ(loaded.foci.size(), 3u);
  EXPECT_EQ(loaded.foci[0]->name, "Everything");
  ASSERT_EQ(loaded.foci[0]->focus.entries.size(), nodes.size());
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    EXPECT_EQ(loaded.foci[0]->focus.entries[k].proto, nodes[k]) << k;
    EXPECT_EQ(loaded.foci[0]->focus.entries[k].color, static_cast<std::int32_t>(k % 33));
  }
  EXPECT_TRUE(loaded.foci[1]->focus.entries.empty());
  // A protocol this tree lacks stays in its focus and is written back as it was read.
  ASSERT_EQ(loaded.foci[2]->focus.entries.size(), 2u);
  EXPECT_EQ(loaded.foci[2]->focus.entries[0].proto, nullptr);
  EXPECT_EQ(loaded.foci[2]->unresolved[0], "ROOT\\ETHERNET\\GONE");
  const std::string first = bytes_of(file);
  ASSERT_EQ(focus_save(file, tree(), loaded), 1);
  EXPECT_EQ(bytes_of(file), first);
}

TEST_F(FocusFile, PathsAreWrittenFromTheRootAndReadInnermostFirstToo) {
  // IP sits at several places of the tree; each must come back as the very node saved.
  std::vector<protocol_node*> nodes;
  all_nodes(tree(), nodes);
  std::vector<protocol_node*> ips;
  for (protocol_node* n : nodes)
    if (n->def->name == "IP") ips.push_back(n);
  ASSERT_GE(ips.size(), 2u);

  focus_set set;
  set.foci.push_back(make_focus("IP", {{ips[0], 1}}));
  ASSERT_EQ(focus_save(file, tree(), set), 1);
  std::string inner;
  ASSERT_EQ(pd_path_name(tree(), ips[0], &inner), 1);
  const std::string bytes = bytes_of(file);
  EXPECT_NE(bytes.find("IP\n" + word(1) + "ROOT\\"), std::string::npos);
  EXPECT_NE(bytes.find("\\IP\n"), std::string::npos);
  EXPECT_EQ(bytes.find(inner), std::string::npos);

  std::vector<std::pair<std::string, std::uint32_t>> innermost;
  for (protocol_node* ip : ips) {
    ASSERT_EQ(pd_path_name(tree(), ip, &inner), 1);
    ASSERT_EQ(inner.rfind("IP\\", 0), 0u);
    innermost.emplace_back(inner, 3);
  }
  put_file(file, color_block(33) + record("Old", innermost) + record("Short", {{"IP", 2}, {"NOSUCH", 4}}));
  ASSERT_EQ(load(), 1);
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(loaded.foci.size(), 2u);
  for (std::size_t k = 0; k < ips.size(); ++k) EXPECT_EQ(loaded.foci[0]->focus.entries[k].proto, ips[k]) << k;
  // A lone name is found where the tree's own search finds it; an unknown one has no protocol.
  EXPECT_EQ(loaded.foci[1]->focus.entries[0].proto, pd_find_path(tree(), "IP"));
  EXPECT_EQ(loaded.foci[1]->focus.entries[1].proto, nullptr);
}

TEST_F(FocusFile, AMissingFileGivesMessage50040AndNoFocus) {
  EXPECT_EQ(load(), 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Could not open " + file + " for parsing");
  EXPECT_EQ(shown[0].caption, "Korvane Software, Inc.");
  EXPECT_EQ(shown[0].icon, message_icon::exclamation);
  EXPECT_TRUE(loaded.foci.empty());
  EXPECT_EQ(loaded.colors, palette_defaults());
}

TEST_F(FocusFile, AFileOfColoursOnlyHasNoFocus) {
  put_file(file, color_block(33));
  ASSERT_EQ(load(), 1);
  EXPECT_TRUE(loaded.foci.empty());
  EXPECT_EQ(loaded.colors[2], 0x020202u);
  EXPECT_EQ(focus_select(loaded, "Ethernet"), 0);
  EXPECT_EQ(link_current_focus(), nullptr);
}

TEST_F(FocusFile, ARejectedColourBlockKeepsTheDefaultsAndTheFociAfterItsCount) {
  put_file(file, word(40) + record("After", {{"ROOT\\ETHERNET", 7}}));
  EXPECT_EQ(load(), -1);
  EXPECT_EQ(loaded.colors, palette_defaults());
  ASSERT_EQ(loaded.foci.size(), 1u);
  EXPECT_EQ(loaded.foci[0]->focus.entries[0].proto, at("ROOT\\ETHERNET"));
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown[0].text.find("33"), std::string::npos);
}

// Cut at every byte: the whole records before the cut are kept, a cut inside a record is told,
// and a cut between records is a shorter, sound file.
TEST_F(FocusFile, AFileCutAnywhereKeepsWhatCameBeforeTheCut) {
  const std::string head = color_block(33);
  const std::string one = record("One", {{"ROOT\\ETHERNET", 1}, {"ROOT\\TOKENRING", 2}});
  const std::string two = record("Two", {{"ROOT", 3}});
  const std::string whole = head + one + two;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    put_file(file, whole.substr(0, cut));
    const int result = load();
    const bool boundary = cut == head.size() || cut == head.size() + one.size();
    EXPECT_EQ(result, boundary ? 1 : -1) << cut;
    EXPECT_EQ(shown.empty(), boundary) << cut;
    if (cut < head.size()) {
      EXPECT_EQ(loaded.colors, palette_defaults()) << cut;
    }
    if (cut >= head.size() + one.size()) {
      ASSERT_GE(loaded.foci.size(), 1u) << cut;
      EXPECT_EQ(loaded.foci[0]->name, "One");
      EXPECT_EQ(loaded.foci[0]->focus.entries.size(), 2u) << cut;
    }
    EXPECT_LE(loaded.foci.size(), cut >= head.size() + one.size() + 4 ? 2u : 1u) << cut;
  }
}

TEST_F(FocusFile, HugeCountsOverlongLinesBadColoursAndNoiseAreToldNotTrusted) {
  put_file(file, color_block(33) + "Huge\n" + word(0xFFFFFFFFu) + "ROOT\n" + word(1));
  EXPECT_EQ(load(), -1);
  ASSERT_EQ(loaded.foci.size(), 1u);
  EXPECT_EQ(loaded.foci[0]->focus.entries.size(), 1u);
  EXPECT_FALSE(shown.empty());

  put_file(file, color_block(33) + std::string(5000, 'n') + "\n" + word(0));
  EXPECT_EQ(load(), -1);
  EXPECT_TRUE(loaded.foci.empty());

  put_file(file, color_block(33) + record("Ok", {}) + "Path\n" + word(1) + std::string(900, 'p') + "\n" + word(0));
  EXPECT_EQ(load(), -1);
  ASSERT_EQ(loaded.foci.size(), 2u);
  EXPECT_TRUE(loaded.foci[1]->focus.entries.empty());

  put_file(file, color_block(33) + record("Colour", {{"ROOT", 33}}));
  EXPECT_EQ(load(), -1);
  EXPECT_TRUE(loaded.foci.empty() || loaded.foci[0]->focus.entries.empty());

  std::mt19937 random(7);
  for (int run = 0; run < 200; ++run) {
    std::string noise(static_cast<std::size_t>(random() % 400), '\0');
    for (char& c : noise) c = static_cast<char>(random() % 4 == 0 ? '\n' : random());
    put_file(file, (run % 2 == 0 ? color_block(33) : std::string()) + noise);
    (void)load();
    for (const auto& f : loaded.foci) EXPECT_EQ(f->focus.entries.size(), f->unresolved.size());
  }
}

TEST_F(FocusFile, AFileThatCannotBeWrittenIsToldAndTheOldOneKept) {
  focus_set set;
  EXPECT_EQ(focus_save(dir.file("absent/cfdump.bin"), tree(), set), 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "cannot overwrite " + dir.file("absent/cfdump.bin"));
  EXPECT_EQ(shown[0].caption, "Внимание");
  // A directory in the file's place: the new file is written, but cannot take its place.
  fs::create_directory(file);
  shown.clear();
  EXPECT_EQ(focus_save(file, tree(), set), 0);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_FALSE(fs::exists(file + ".new"));
}

TEST_F(FocusFile, SelectingTakesTheLastFocusOfTheNameAndKeepsItAlive) {
  put_file(file, color_block(33) + record("Ethernet", {{"ROOT\\ETHERNET", 1}}) +
                     record("Ethernet", {{"ROOT\\TOKENRING", 2}, {"ROOT", 3}}) + record("ethernet", {}));
  ASSERT_EQ(load(), 1);
  ASSERT_EQ(focus_select(loaded, "Ethernet"), 1);
  const protocol_focus* current = link_current_focus();
  ASSERT_EQ(current, &loaded.foci[1]->focus);
  ASSERT_EQ(current->entries.size(), 2u);
  EXPECT_EQ(current->entries[0].proto, at("ROOT\\TOKENRING"));
  // The list may be replaced while the focus stays current.
  loaded.foci.clear();
  EXPECT_EQ(link_current_focus()->entries[1].color, 3);
  EXPECT_EQ(focus_select(loaded, "Ethernet"), 0);
  EXPECT_EQ(link_current_focus(), nullptr);
  EXPECT_EQ(loaded.current, nullptr);
}

}  // namespace
}  // namespace nw::test

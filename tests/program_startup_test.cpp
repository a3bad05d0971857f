// Start-up and shutdown of the program without its windows: the failures that end start-up
// with their messages and exit code, the choice of the first adapter (a stored index past the
// list, an unsupported medium, a live adapter that cannot capture giving way to a capture
// file), and what shutdown writes back.
#include <gtest/gtest.h>

#include <pcap/pcap.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "alarm/alarm.h"
#include "capture/adapter_change.h"
#include "capture/capture_thread.h"
#include "capture_test_support.h"
#include "core/hfont.h"
#include "map/map_settings.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "namedb/cb_ether.h"
#include "output/event_list.h"
#include "pdl/pd.h"
#include "program/settings.h"
#include "program/shutdown.h"
#include "program/startup.h"

namespace nw::test {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::current_path();
    fs::copy_file(fs::path(NODEWREN_SOURCE_DIR) / "data" / "protocol.pdl", dir.path / "protocol.pdl");
    fs::copy_file(NODEWREN_FONT_FILE, dir.path / "font.bin");
    fs::copy_file(fs::path(NODEWREN_SOURCE_DIR) / "data" / "alarm.adl", dir.path / "alarm.adl");
    fs::current_path(dir.path);
    // Colours only: no focus, and no message for a missing file.
    (void)focus_save("cfdump.bin", nullptr, focus_set{});
    options.store = &store;
    options.show = [this](const message& m) { shown.push_back(m); };
    options.find_adapters = [this](std::vector<adapter_desc>& adapters, std::string& error) {
      ++searches;
      adapters = live;
      error = "no capture library here";
      return live_result;
    };
  }

  void TearDown() override {
    if (started == 1) {
      shutdown_run(state, store, {});
    } else {
      shutdown_after_failure(state);
    }
    capture_stop();
    adapter_change_init({}, 0, CAPTURE_SNAPLEN_DEFAULT, {});
    net_list_init();
    node_reset();
    ethers_reset();
    alarm_init();
    hfont_reset();
    output_lists_reset();
    settings_reset();
    model_config_reset();
    map_config_reset();
    link_set_focus(nullptr);
    message_set_hook({});
    fs::current_path(home);
  }

  int start() { return started = startup_engine(options, state); }

  // A capture file of the demo LAN's first frames, named on the command line.
  std::string demo_file(int dlt = DLT_EN10MB) {
    const std::string path = dir.file(dlt == DLT_EN10MB ? "demo.pcap" : "other.pcap");
    write_capture(path, dlt, demo_frames(20, 1000));
    options.capture_files.push_back(path);
    return path;
  }

  [[nodiscard]] bool was_shown(const char* text) const {
    return std::any_of(shown.begin(), shown.end(), [text](const message& m) { return m.text == text; });
  }

  temp_dir dir;
  fs::path home;
  memory_settings store;
  startup_options options;
  program_state state;
  std::vector<message> shown;
  std::vector<adapter_desc> live;
  int live_result = 1;
  int searches = 0;
  int started = 0;
};

TEST_F(Startup, NoAdapterEndsWithMessage50045AndExitCode255) {
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  EXPECT_EQ(static_cast<std::uint8_t>(STARTUP_EXIT_FAILURE), 255);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, "Cannot find any valid network adapters");
  EXPECT_EQ(shown.back().caption, "Ошибка");
  EXPECT_EQ(shown.back().icon, message_icon::stop);
  // The settings were read and created before.
  EXPECT_EQ(store.read_dword("snaplen"), 250u);
}

TEST_F(Startup, AFailedAdapterSearchCountsAsNoAdapter) {
  live_result = -1;
  live = {adapter_desc{"eth9", "", NETTYPE_ETHERNET}};
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  EXPECT_TRUE(was_shown("Cannot find any valid network adapters"));
}

TEST_F(Startup, AnUnreadableCaptureFileIsToldAndLeftOut) {
  options.capture_files.push_back(dir.file("missing.pcap"));
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[shown.size() - 2].text.rfind(dir.file("missing.pcap") + ": ", 0), 0u);
  EXPECT_TRUE(was_shown("Cannot find any valid network adapters"));
}

TEST_F(Startup, AStoredIndexPastTheListShows50050OpensAdapter0AndIsSavedAs0) {
  store.write_dword("interface", 1);
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(was_shown("The default adapter is currently invalid"));
  EXPECT_EQ(adapter_change_current(), 0u);
  EXPECT_TRUE(capture_thread_has_source());
  ASSERT_NE(net_current(), nullptr);
  EXPECT_EQ(net_current()->adapter.name, options.capture_files[0]);
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(store.read_dword("interface"), 0u);
  EXPECT_FALSE(capture_thread_has_source());
}

TEST_F(Startup, AnUnsupportedMediumShows50054AndIsKept) {
  demo_file(DLT_RAW);
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(was_shown("The default adapter is using an unsupported network type"));
  EXPECT_FALSE(was_shown("The default adapter is currently invalid"));
  EXPECT_EQ(adapter_change_current(), 0u);
  EXPECT_TRUE(capture_thread_has_source());
}

// Without capture privileges the live adapter refuses to open; so does one that does not exist.
TEST_F(Startup, ALiveAdapterThatCannotCaptureGivesWayToTheFirstCaptureFile) {
  live = {adapter_desc{"nw-absent0", "test", NETTYPE_ETHERNET}};
  const std::string file = demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(adapter_change_current(), 1u);
  EXPECT_EQ(net_current()->adapter.name, file);
  const auto events = output_event_list().lines();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().text, "OPEN " + file);
  // The file is this run's adapter only: the live one stays the stored choice.
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(store.read_dword("interface"), 0u);
}

// The capture library lists pseudo-interfaces and interfaces that are down: none of them says
// anything about the protocol file.
TEST_F(Startup, PseudoAndDownInterfacesRaiseNoProtocolFileComplaint) {
  live = {adapter_desc{"any", "Pseudo-device", NETTYPE_UNSUPPORTED}, adapter_desc{"ifb0", "", NETTYPE_DOWN},
          adapter_desc{"nw-absent0", "", NETTYPE_ETHERNET}};
  demo_file();
  ASSERT_EQ(start(), 1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "The default adapter is using an unsupported network type");
  EXPECT_EQ(adapter_change_current(), 3u);
  // The live Ethernet adapter's and the file's, and the pseudo-interface's, which was opened.
  EXPECT_EQ(net_list().size(), 3u);
}

TEST_F(Startup, AMissingProtocolFileEndsAtTheProtocolTreeCheck) {
  store.write_text("protocols", "./absent.pdl");
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  EXPECT_TRUE(was_shown("Could not open ./absent.pdl for parsing"));
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, "Invalid PDL file.\nPlease obtain original protocol.pdl\nfile from distribution media.");
  EXPECT_EQ(shown.back().icon, message_icon::exclamation);
  EXPECT_EQ(searches, 0);
}

TEST_F(Startup, AMissingFontEndsBeforeAnyAdapterIsSought) {
  fs::remove("font.bin");
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, "Couldn't find font data! (FONT.BIN)");
  EXPECT_EQ(shown.back().caption, "Ошибка");
  EXPECT_EQ(searches, 0);
}

TEST_F(Startup, ADamagedFontEndsStartUpToo) {
  std::ofstream("font.bin", std::ios::trunc) << "not a font";
  EXPECT_EQ(start(), STARTUP_EXIT_FAILURE);
  EXPECT_TRUE(was_shown("Couldn't find font data! (FONT.BIN)"));
}

TEST_F(Startup, TheLabelSizeFollowsTheFontSizeSetting) {
  store.write_text("font size", "2.000000");
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_FLOAT_EQ(hfont_text_height_size(), 0.12f);
}

constexpr const char* GOOD_ALARM = "Threshold network high 80 bandwidth \"load\" off \"\" \"\"\n";

TEST_F(Startup, AnAlarmFileReadWholeIsWrittenBackAtShutdown) {
  std::ofstream("alarm.adl") << "/* a comment the writer does not keep */\n" << GOOD_ALARM;
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(state.alarms_whole);
  EXPECT_EQ(alarm_list_current().size(), 1u);
  shutdown_run(state, store, {});
  started = 0;
  const std::string written = read_file("alarm.adl");
  EXPECT_EQ(written.find("comment"), std::string::npos);
  EXPECT_NE(written.find("load"), std::string::npos);
}

// The reader stops at a syntax error: writing the list back would lose every alarm after it.
TEST_F(Startup, AnAlarmFileWithASyntaxErrorIsLeftAsItIs) {
  const std::string text = std::string(GOOD_ALARM) + "Threshold network sideways 80\n" + GOOD_ALARM;
  std::ofstream("alarm.adl") << text;
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_FALSE(state.alarms_whole);
  EXPECT_EQ(alarm_list_current().size(), 1u);
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(read_file("alarm.adl"), text);
}

TEST_F(Startup, ShutdownDestroysTheWindowsBeforeTheSettingsAreWritten) {
  demo_file();
  ASSERT_EQ(start(), 1);
  // A window stores its state as it goes; what it stores must reach the file.
  shutdown_run(state, store, [] { settings_block("host popup")[0] = 321; });
  started = 0;
  EXPECT_EQ(store.read_binary("host popup"), settings_pack_words({321, 150, 400, 200}));
}

std::string le_word(std::uint32_t w) {
  return {static_cast<char>(w), static_cast<char>(w >> 8), static_cast<char>(w >> 16), static_cast<char>(w >> 24)};
}

// A file of an older writer (paths innermost first) is read, its focus named by the "focus"
// setting colours the links, and shutdown writes it back with paths from the root.
TEST_F(Startup, TheFocusNamedInTheSettingsIsCurrentAndShutdownWritesTheFile) {
  std::string colours = le_word(33);
  for (std::uint32_t k = 0; k < 33; ++k) colours += le_word(k);
  const std::string records = "Ethernet\n" + le_word(1) + "ETHERNET\\ROOT\n" + le_word(4) + "Token Ring\n" + le_word(0);
  std::ofstream("cfdump.bin", std::ios::binary | std::ios::trunc) << colours << records;
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(shown.empty());
  const protocol_focus* focus = link_current_focus();
  ASSERT_NE(focus, nullptr);
  ASSERT_EQ(focus->entries.size(), 1u);
  EXPECT_EQ(focus->entries[0].proto, pd_find_path(state.protocols, "ROOT\\ETHERNET"));
  EXPECT_EQ(focus->entries[0].color, 4);
  fs::remove("cfdump.bin");
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(read_file("cfdump.bin"),
            colours + "Ethernet\n" + le_word(1) + "ROOT\\ETHERNET\n" + le_word(4) + "Token Ring\n" + le_word(0));
}

TEST_F(Startup, WithoutTheColourFileStartUpSaysSoAndShutdownWritesOne) {
  fs::remove("cfdump.bin");
  store.write_text("focus", "Nowhere");
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(was_shown("Could not open ./cfdump.bin for parsing"));
  EXPECT_EQ(link_current_focus(), nullptr);
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(fs::file_size("cfdump.bin"), 4u + 33u * 4u);
}

// Like the alarm file: writing back a damaged file would lose what could not be read.
TEST_F(Startup, ADamagedColourFileIsLeftAsItIs) {
  const std::string damaged = le_word(33) + std::string(40, 'x');
  std::ofstream("cfdump.bin", std::ios::binary | std::ios::trunc) << damaged;
  demo_file();
  ASSERT_EQ(start(), 1);
  EXPECT_FALSE(shown.empty());
  shutdown_run(state, store, {});
  started = 0;
  EXPECT_EQ(read_file("cfdump.bin"), damaged);
}

}  // namespace
}  // namespace nw::test

// The settings file and the settings table: values survive a real INI file, a first start
// creates every value in its form, a value of the wrong form or unreadable as a number is
// replaced by its default, and saving writes what is saved in its order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/trmac.h"
#include "map/map_settings.h"
#include "model/model_config.h"
#include "output/output_settings.h"
#include "program/settings.h"
#include "program/settings_file.h"

namespace nw::test {
namespace {

namespace fs = std::filesystem;

// Every value of the table in reading order.
const std::vector<std::string> READ_ORDER = {
    "multi", "manufacturers", "cfdump", "alarms", "protocols", "dbpath", "strftime", "focus", "font size",
    "link scale", "node scale", "max node radius", "node timeout", "link timeout", "net size", "max link width",
    "dynamic", "bytes", "show name", "show manufacturers", "resolve", "snaplen", "cb_edit popup", "trmac defaults",
    "wnode popup", "wnoded popup", "wnet popup", "output tab", "host popup", "recv popup", "link popup",
    "proto popup", "alarm popup", "interface"};

// A store that keeps the order of the writes made to it.
class recording_store final : public settings_store {
 public:
  std::optional<std::string> read_text(const std::string& n) override { return values.read_text(n); }
  std::optional<std::uint32_t> read_dword(const std::string& n) override { return values.read_dword(n); }
  std::optional<std::vector<std::uint8_t>> read_binary(const std::string& n) override {
    return values.read_binary(n);
  }
  void write_text(const std::string& n, const std::string& v) override { note(n), values.write_text(n, v); }
  void write_dword(const std::string& n, std::uint32_t v) override { note(n), values.write_dword(n, v); }
  void write_binary(const std::string& n, const std::vector<std::uint8_t>& v) override {
    note(n), values.write_binary(n, v);
  }

  memory_settings values;
  std::vector<std::string> written;

 private:
  void note(const std::string& n) { written.push_back(n); }
};

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/nwset-XXXXXX";
    dir = mkdtemp(name);
    path = (dir / "nodewren.ini").string();
    setenv(SETTINGS_FILE_VARIABLE, path.c_str(), 1);
    settings_reset();
    model_config_reset();
    map_config_reset();
  }
  void TearDown() override {
    unsetenv(SETTINGS_FILE_VARIABLE);
    fs::remove_all(dir);
    settings_reset();
    model_config_reset();
    map_config_reset();
  }

  [[nodiscard]] std::unique_ptr<settings_file> open() const { return std::make_unique<settings_file>(settings_file_path()); }

  fs::path dir;
  std::string path;
};

TEST_F(SettingsFile, TheVariableNamesTheFileAndEachFormSurvivesIt) {
  EXPECT_EQ(settings_file_path().toStdString(), path);
  {
    auto file = open();
    file->write_text("multi", "./мульти");
    file->write_dword("snaplen", 4294967295u);
    file->write_binary("host popup", {1, 0, 0x40, 0xFF});
    ASSERT_EQ(file->sync(), 1);
  }
  auto file = open();
  EXPECT_EQ(file->read_text("multi"), "./мульти");
  EXPECT_EQ(file->read_dword("snaplen"), 4294967295u);
  EXPECT_EQ(file->read_binary("host popup"), (std::vector<std::uint8_t>{1, 0, 0x40, 0xFF}));
  // Another form than the one written counts as missing, as does a value never written.
  EXPECT_FALSE(file->read_binary("multi"));
  EXPECT_FALSE(file->read_text("host popup"));
  EXPECT_FALSE(file->read_dword("host popup"));
  EXPECT_FALSE(file->read_dword("multi"));
  EXPECT_FALSE(file->read_text("absent"));
}

TEST_F(SettingsFile, DwordTextMustBeAWholeNumberIn32Bits) {
  for (const char* bad : {"", "abc", "-1", "12abc", "4294967296", "0x10", "1.5"}) EXPECT_FALSE(settings_parse_dword(bad)) << bad;
  EXPECT_EQ(settings_parse_dword("0"), 0u);
  EXPECT_EQ(settings_parse_dword("4294967295"), 4294967295u);
}

TEST_F(SettingsFile, NumbersAreWrittenWithSixDecimalsAndReadFromTheirLeadingNumber) {
  EXPECT_EQ(settings_format_number(0.5), "0.500000");
  EXPECT_EQ(settings_format_number(55.0), "55.000000");
  EXPECT_EQ(settings_parse_number(" 12.900000"), 12.9);
  EXPECT_EQ(settings_parse_number("+3"), 3.0);
  EXPECT_EQ(settings_parse_number("0.6 px"), 0.6);
  for (const char* bad : {"", "abc", "inf", "nan", "-"}) EXPECT_FALSE(settings_parse_number(bad)) << bad;
}

TEST_F(SettingsFile, FirstStartCreatesEveryValueWithItsDefaultAndForm) {
  {
    auto file = open();
    read_settings(*file);
  }
  auto file = open();
  EXPECT_EQ(file->read_text("font size"), "0.500000");
  EXPECT_EQ(file->read_text("node timeout"), "10.000000");
  EXPECT_EQ(file->read_text("net size"), "55.000000");
  EXPECT_EQ(file->read_text("protocols"), "./protocol.pdl");
  EXPECT_EQ(file->read_text("strftime"), "%d-%m-%Y_%H:%M:%S");
  EXPECT_EQ(file->read_dword("snaplen"), 250u);
  EXPECT_EQ(file->read_dword("show name"), 4u);
  EXPECT_EQ(file->read_dword("interface"), 0u);
  EXPECT_EQ(file->read_binary("trmac defaults"), settings_pack_words(std::vector<std::uint32_t>(16, 1)));
  EXPECT_EQ(file->read_binary("output tab"), settings_pack_words({40, 40, 40, 40}));
  EXPECT_EQ(file->read_binary("alarm popup"), settings_pack_words({150, 150, 400, 400}));
  const std::vector<std::uint32_t> wnet = {150, 150, 150, 150, 150, 150, 150, 150, 150, 150, 150, 150, 0, 1,
                                           2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  400, 200, 0};
  EXPECT_EQ(file->read_binary("wnet popup"), settings_pack_words(wnet));
  const std::size_t block_bytes[] = {32, 64, 68, 68, 108, 16, 16, 16, 20, 20, 16};
  std::size_t block = 0;
  for (std::size_t i = 22; i < 33; ++i) {
    const auto value = file->read_binary(READ_ORDER[i]);
    ASSERT_TRUE(value) << READ_ORDER[i];
    EXPECT_EQ(value->size(), block_bytes[block++]) << READ_ORDER[i];
  }
  for (std::size_t i = 0; i < 15; ++i) EXPECT_TRUE(file->read_text(READ_ORDER[i])) << READ_ORDER[i];
  for (std::size_t i = 15; i < 22; ++i) EXPECT_TRUE(file->read_dword(READ_ORDER[i])) << READ_ORDER[i];
}

TEST_F(SettingsFile, AStoredValueIsKeptAndATimeOutIsTruncated) {
  recording_store store;
  store.values.write_text("node timeout", "12.900000");
  store.values.write_text("link scale", "1.250000");
  store.values.write_dword("show name", 1);
  read_settings(store);
  EXPECT_EQ(model_settings().node_timeout_s, 12u);
  EXPECT_EQ(map_config().link_scale, 1.25);
  EXPECT_EQ(map_config().show_name, 1u);
  // Created: everything else, in reading order; the three present values are left alone.
  std::vector<std::string> created;
  for (const auto& name : READ_ORDER)
    if (name != "node timeout" && name != "link scale" && name != "show name") created.push_back(name);
  EXPECT_EQ(store.written, created);
  EXPECT_EQ(store.values.read_text("node timeout"), "12.900000");
}

TEST_F(SettingsFile, WrongFormsAndUnreadableNumbersTakeTheirDefaults) {
  recording_store store;
  store.values.write_text("snaplen", "abc");
  store.values.write_binary("font size", {1, 2});
  store.values.write_text("wnet popup", "columns");
  store.values.write_binary("host popup", {1, 2, 3});  // not four words
  store.values.write_text("node timeout", "-5");
  store.values.write_text("link scale", "wide");
  read_settings(store);
  EXPECT_EQ(settings().snaplen, 250u);
  EXPECT_EQ(model_settings().font_size, 0.5f);
  EXPECT_EQ(model_settings().node_timeout_s, 10u);
  EXPECT_EQ(map_config().link_scale, 0.6);
  EXPECT_EQ(settings_block("host popup")[2], 400);
  EXPECT_EQ(settings_block("wnet popup")[12], 0);
  EXPECT_EQ(store.values.read_dword("snaplen"), 250u);
  EXPECT_EQ(store.values.read_text("font size"), "0.500000");
  EXPECT_EQ(store.values.read_binary("host popup"), settings_pack_words({150, 150, 400, 200}));
}

TEST_F(SettingsFile, SavingWritesWhatIsSavedInOrderAndReadsBackThroughTheFile) {
  {
    auto file = open();
    read_settings(*file);
  }
  settings().protocols = "/opt/nw/protocol.pdl";
  settings().resolve = 1;
  settings().interface = 3;
  settings().dbpath = "/changed/";  // read only: never written back
  map_config().show_name = MAP_LABEL_DNS;
  map_config().link_scale = 0.125;
  model_settings().link_timeout_s = 30;
  settings_block("wnode popup")[10] = 6;
  trmac_set_flag(3, false);
  output_column_widths()[1] = 77;
  recording_store order;
  save_settings(order);
  std::vector<std::string> saved;
  for (const auto& name : READ_ORDER)
    if (name != "dbpath" && name != "strftime" && name != "net size") saved.push_back(name);
  EXPECT_EQ(order.written, saved);
  {
    auto file = open();
    save_settings(*file);
  }

  settings_reset();
  model_config_reset();
  map_config_reset();
  trmac_set_flag(3, true);
  output_column_widths()[1] = 40;
  auto file = open();
  read_settings(*file);
  EXPECT_EQ(settings().protocols, "/opt/nw/protocol.pdl");
  EXPECT_EQ(settings().dbpath, "./");
  EXPECT_EQ(settings().resolve.load(), 1u);
  EXPECT_EQ(settings().interface, 3u);
  EXPECT_EQ(map_config().show_name, MAP_LABEL_DNS);
  EXPECT_EQ(map_config().link_scale, 0.125);
  EXPECT_EQ(model_settings().link_timeout_s, 30u);
  EXPECT_EQ(settings_block("wnode popup")[10], 6);
  EXPECT_FALSE(trmac_flag(3));
  EXPECT_EQ(output_column_widths()[1], 77u);
}

TEST_F(SettingsFile, AFileThatCannotBeWrittenFailsToSync) {
  // A folder where the file should be.
  fs::create_directory(path);
  auto file = open();
  file->write_text("multi", "x");
  EXPECT_EQ(file->sync(), -1);
}

}  // namespace
}  // namespace nw::test

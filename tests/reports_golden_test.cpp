// The three reports as the headless tool writes them for a fixed generated capture and a fixed
// alarm file, compared byte for byte with the checked-in files in tests/golden/reports (calendar
// texts masked). NODEWREN_REGENERATE=1 writes the golden files anew instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/report_test_support.h"
#include "tools/demo_lan.h"

namespace nw {
namespace {

namespace fs = std::filesystem;

// Enough of the LAN for every kind of table; the whole four minutes would make megabytes.
constexpr std::size_t GOLDEN_FRAMES = 150;

const fs::path GOLDEN_DIR = fs::path(NODEWREN_SOURCE_DIR) / "tests" / "golden" / "reports";

// "line N" and the two lines where the texts first differ, or empty when they are equal.
std::string first_difference(const std::string& expected, const std::string& got) {
  std::istringstream e(expected), g(got);
  std::string el, gl;
  for (int line = 1;; ++line) {
    const bool more_e = static_cast<bool>(std::getline(e, el));
    const bool more_g = static_cast<bool>(std::getline(g, gl));
    if (!more_e && !more_g) return expected == got ? "" : "differs at the end";
    if (more_e != more_g || el != gl) {
      return "line " + std::to_string(line) + "\n  expected: " + (more_e ? el : "<end>") +
             "\n  got:      " + (more_g ? gl : "<end>");
    }
  }
}

TEST(ReportsGolden, HeadlessRunWritesTheNineExpectedFiles) {
  test::scratch_dir dir;
  std::vector<demo::demo_frame> frames = demo::demo_lan_frames();
  frames.resize(GOLDEN_FRAMES);
  const fs::path capture = dir.path() / "lan.pcap";
  ASSERT_TRUE(demo::write_pcap(capture.string(), frames));
  const fs::path reports = dir.path() / "reports";
  const std::string command = std::string(NODEWREN_HEADLESS) + " --no-names --data '" + dir.path().string() +
                              "' --protocols '" + NODEWREN_SOURCE_DIR + "/data/protocol.pdl' --alarms '" +
                              (GOLDEN_DIR / "golden.adl").string() + "' --reports '" + reports.string() +
                              "' '" + capture.string() + "' > '" + (dir.path() / "out").string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << test::read_whole(dir.path() / "out");

  const char* regenerate = std::getenv("NODEWREN_REGENERATE");
  for (const char* stem : {"hostrep", "statsrep", "alarmrep"}) {
    for (const char* ext : {"txt", "rtf", "html"}) {
      const std::string name = std::string(stem) + "." + ext;
      const std::string got = test::mask_calendar_texts(test::read_whole(reports / name));
      if (regenerate != nullptr && std::string(regenerate) == "1") {
        std::ofstream(GOLDEN_DIR / name, std::ios::binary) << got;
        continue;
      }
      ASSERT_TRUE(fs::exists(GOLDEN_DIR / name)) << name << ": NODEWREN_REGENERATE=1 writes it";
      EXPECT_EQ(first_difference(test::read_whole(GOLDEN_DIR / name), got), "")
          << name << " (after a deliberate change: NODEWREN_REGENERATE=1, then review the diff)";
    }
  }
}

}  // namespace
}  // namespace nw

// The output lists (cap, order, listener, threads), the calendar text of their times and the
// output window's stored column widths.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "core/settings_store.h"
#include "output/event_list.h"
#include "output/output_settings.h"

namespace nw {
namespace {

class OutputList : public ::testing::Test {
 protected:
  void SetUp() override { output_lists_reset(); }
  void TearDown() override { output_lists_reset(); }
};

TEST_F(OutputList, KeepsTheNewest200OldestFirst) {
  for (std::uint32_t i = 0; i < 200; ++i) output_add_event("line " + std::to_string(i), 1000 + i);
  EXPECT_EQ(output_event_list().size(), 200U);
  EXPECT_EQ(output_event_list().lines().front().text, "line 0");

  output_add_event("line 200", 1200);  // the 201st drops the oldest
  auto lines = output_event_list().lines();
  ASSERT_EQ(lines.size(), 200U);
  EXPECT_EQ(lines.front().text, "line 1");
  EXPECT_EQ(lines.front().time, 1001U);
  EXPECT_EQ(lines.back().text, "line 200");
  EXPECT_EQ(lines.back().time, 1200U);

  // Round the ring several times more: still the newest 200 in arrival order, each with its time.
  for (std::uint32_t i = 201; i < 650; ++i) output_add_event("line " + std::to_string(i), 1000 + i);
  lines = output_event_list().lines();
  ASSERT_EQ(lines.size(), 200U);
  for (std::uint32_t k = 0; k < 200; ++k) {
    ASSERT_EQ(lines[k].text, "line " + std::to_string(450 + k));
    ASSERT_EQ(lines[k].time, 1450 + k);
  }
  // A shorter text in a reused slot is not left with the longer one's tail.
  output_add_event("x", 1);
  EXPECT_EQ(output_event_list().lines().back().text, "x");
}

TEST_F(OutputList, ListenerHearsEachLineAfterItIsIn) {
  std::vector<std::size_t> sizes_seen;
  // Reading the list from the listener would deadlock if it ran under the list's mutex.
  output_event_list().set_listener([&] { sizes_seen.push_back(output_event_list().lines().size()); });
  output_add_event("a", 1);
  output_add_event("b", 2);
  output_add_alarm("not this list", 3);  // the two lists are apart
  EXPECT_EQ(sizes_seen, (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(output_alarm_list().lines()[0].text, "not this list");

  output_event_list().set_listener(nullptr);
  output_add_event("c", 4);
  EXPECT_EQ(sizes_seen.size(), 2U);
}

TEST_F(OutputList, ConcurrentWritersAndReaderSeeWholeLines) {
  output_event_list().set_listener([] {});
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done.load()) {
      for (const output_line& line : output_event_list().lines()) {
        ASSERT_EQ(line.text.rfind("writer ", 0), 0U);
        ASSERT_EQ(line.time, static_cast<std::uint32_t>(line.text.size()));
      }
    }
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([w] {
      for (int i = 0; i < 2000; ++i) {
        const std::string text = "writer " + std::to_string(w) + " line " + std::to_string(i);
        output_add_event(text, static_cast<std::uint32_t>(text.size()));
      }
    });
  }
  for (std::thread& t : writers) t.join();
  done = true;
  reader.join();
  EXPECT_EQ(output_event_list().size(), 200U);
}

TEST(CalendarText, TwentyFourCharactersInLocalTime) {
  const char* caller_tz = std::getenv("TZ");
  const std::string saved = caller_tz != nullptr ? caller_tz : "";
  const auto in_zone = [](const char* tz, std::uint32_t t) {
    setenv("TZ", tz, 1);
    tzset();
    return std::string(output_time_text(t).data());
  };
  EXPECT_EQ(in_zone("UTC0", 1796560143), "Sun Dec  6 12:29:03 2026");  // a one-digit day, blank-padded
  EXPECT_EQ(in_zone("UTC0", 1700000000), "Tue Nov 14 22:13:20 2023");
  EXPECT_EQ(in_zone("UTC0", 4294967295U), "Sun Feb  7 06:28:15 2106");  // the last 32-bit second
  EXPECT_EQ(in_zone("EST5", 0), "Wed Dec 31 19:00:00 1969");
  if (caller_tz != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(OutputSettings, MissingOrDamagedBlockGivesFortyAndIsWritten) {
  const std::vector<std::uint8_t> forties = settings_pack_words({40, 40, 40, 40});
  memory_settings missing;
  output_column_widths() = {1, 2, 3, 4};
  output_load_settings(missing);
  EXPECT_EQ(output_column_widths(), (output_columns{40, 40, 40, 40}));
  EXPECT_EQ(missing.read_binary("output tab"), forties);

  memory_settings stored;
  stored.write_binary("output tab", settings_pack_words({250, 120, 300, 65535}));
  output_load_settings(stored);
  EXPECT_EQ(output_column_widths(), (output_columns{250, 120, 300, 65535}));

  output_column_widths()[2] = 410;
  output_save_settings(stored);
  EXPECT_EQ(stored.read_binary("output tab"), settings_pack_words({250, 120, 410, 65535}));

  memory_settings too_long, too_wide, wrong_form;
  too_long.write_binary("output tab", std::vector<std::uint8_t>(17, 1));
  too_wide.write_binary("output tab", settings_pack_words({250, 120, 0xFFFFFFFF, 80}));
  wrong_form.write_text("output tab", "250,120,300,80");
  for (memory_settings* s : {&too_long, &too_wide, &wrong_form}) {
    output_column_widths() = {1, 2, 3, 4};
    output_load_settings(*s);
    EXPECT_EQ(output_column_widths(), (output_columns{40, 40, 40, 40}));
    EXPECT_EQ(s->read_binary("output tab"), forties);
  }
}

}  // namespace
}  // namespace nw

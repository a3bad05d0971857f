// The system's alarm actions: command lines split as a shell splits them with nothing expanded,
// programs started for real without being waited for and without leaving a zombie, and sounds
// that cannot be played failing quietly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "alarm/alarm_actions.h"
#include "alarm/alarm_command.h"

namespace nw {
namespace {

using namespace std::chrono_literals;
using words = std::vector<std::string>;

words split(std::string_view command) {
  words out{"untouched"};
  EXPECT_EQ(alarm_command_split(command, out), 1) << command;
  return out;
}

TEST(AlarmCommand, SplitsLikeAShellAndExpandsNothing) {
  const struct {
    std::string_view command;
    words expected;
  } cases[] = {
      {"prog  a\tb\nc ", {"prog", "a", "b", "c"}},
      {"", {}},
      {"'two words' \"and two\" three\\ four", {"two words", "and two", "three four"}},
      {"a'b'\"c\"d", {"abcd"}},  // quoted pieces join the word around them
      {"a '' \"\" b", {"a", "", "", "b"}},
      // Nothing is expanded, quoted or not.
      {"$HOME \"$HOME\" ~ ~/x * ?.txt $(id) `id` ${X:-y}",
       {"$HOME", "$HOME", "~", "~/x", "*", "?.txt", "$(id)", "`id`", "${X:-y}"}},
      // No operators or comments either: they reach the program as words.
      {"a;b | c > d #e", {"a;b", "|", "c", ">", "d", "#e"}},
      // In double quotes a backslash goes only before $ ` " \ and a line feed.
      {R"("a\"b" "c\\d" "e\$f" "g\`h" "i\nj" "k\'l")", {"a\"b", "c\\d", "e$f", "g`h", "i\\nj", "k\\'l"}},
      {"\"a\\\nb\"", {"ab"}},
      // Single quotes keep backslashes and double quotes.
      {R"('a\b"c')", {"a\\b\"c"}},
      // Outside quotes a backslash keeps any character; with a line feed both go.
      {R"(\'a\" \$x \\ \ )", {"'a\"", "$x", "\\", " "}},
      {"one\\\ntwo \\\n three", {"onetwo", "three"}},
      {"end\\", {"end\\"}},  // as /bin/sh keeps it
      {"\"/opt/Alarm Tools/run\" --level=\"high low\"", {"/opt/Alarm Tools/run", "--level=high low"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split(c.command), c.expected) << c.command;
}

TEST(AlarmCommand, UnclosedQuotesAreRefused) {
  for (const std::string_view command : {"'abc", "a \"b c", "\"a\\\"", "x 'y\"z"}) {
    words out{"left over"};
    EXPECT_EQ(alarm_command_split(command, out), -1) << command;
    EXPECT_TRUE(out.empty()) << command;
  }
}

// A child of this test by its command name, as /proc tells it: pid, state and session.
struct child_process {
  pid_t pid = 0;
  char state = '?';
  pid_t session = 0;
};

std::optional<child_process> child_named(const std::string& name) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string line;
    // pid (name) state ppid pgrp session ...
    if (!std::getline(in, line) || line.find(" (" + name + ") ") == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    child_process p;
    pid_t parent = 0;
    pid_t group = 0;
    fields >> p.state >> parent >> group >> p.session;
    p.pid = static_cast<pid_t>(std::stol(line));
    if (parent == getpid()) return p;
  }
  return std::nullopt;
}

// Polls `done` for up to ten seconds.
template <typename Done>
bool eventually(Done done) {
  for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(10ms);
  return done();
}

TEST(AlarmProgram, StartsWithTheWordsAShellWouldPassAndNoneOfOurFiles) {
  std::string dir = (std::filesystem::temp_directory_path() / "nodewren-program-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string out = dir + "/argv";
  const int inheritable = open("/dev/null", O_RDONLY);  // open to children unless the start closes it
  ASSERT_GE(inheritable, 3);
  EXPECT_EQ(alarm_program_start(std::string(NODEWREN_ARGV_PROBE) + " '" + out + "'" +
                                R"( 'two words' "say \"hi\"" back\ slash $HOME '$HOME' ~ * "" end)"),
            1);
  close(inheritable);
  ASSERT_TRUE(eventually([&] { return std::filesystem::exists(out); }));
  std::ifstream in(out, std::ios::binary);
  const std::string got{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string expected;
  for (const char* word : {"two words", "say \"hi\"", "back slash", "$HOME", "$HOME", "~", "*", "", "end"})
    expected += std::string(word) + '\0';
  EXPECT_EQ(got, expected);  // and no "fd" line
  std::filesystem::remove_all(dir);
}

TEST(AlarmProgram, IsNeitherWaitedForNorLeftAZombie) {
  ASSERT_FALSE(child_named("sleep"));
  ASSERT_EQ(alarm_program_start("sleep 30"), 1);  // found along PATH
  std::optional<child_process> sleeper;
  ASSERT_TRUE(eventually([&] { return (sleeper = child_named("sleep")).has_value(); }));
  EXPECT_NE(sleeper->state, 'Z');             // still running when the start returned
  EXPECT_EQ(sleeper->session, sleeper->pid);  // in a session of its own
  ASSERT_EQ(kill(sleeper->pid, SIGTERM), 0);
  // Its end is collected without anyone waiting for it: no zombie is left behind.
  EXPECT_TRUE(eventually([] { return !child_named("sleep"); }));
}

TEST(AlarmProgram, WhatCannotStartFailsQuietly) {
  for (const char* command : {"", "   ", "/nonexistent/nodewren-program", "nodewren-no-such-program x", "'unclosed"})
    EXPECT_EQ(alarm_program_start(command), -1) << command;
}

TEST(AlarmSound, WhatCannotBePlayedFailsQuietly) {
  EXPECT_EQ(alarm_sound_play(""), -1);
  EXPECT_EQ(alarm_sound_play("/nonexistent/nodewren-alarm.wav"), -1);
}

}  // namespace
}  // namespace nw

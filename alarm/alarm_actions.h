// What a firing does beyond the alarm's line, hit and ranking: play its sound and start its
// program. The program hands the alarm thread the system's actions, a batch run none, and tests
// their own, to observe them.
#pragma once

#include <functional>
#include <string>

namespace nw {

// Neither may wait for the sound or the program to end; both fail silently. An empty member is
// skipped.
struct alarm_actions {
  std::function<void(const std::string& path)> play_sound;
  std::function<void(const std::string& command)> start_program;
};

// alarm_sound_play and alarm_program_start.
[[nodiscard]] alarm_actions alarm_actions_system();

// Hands the sound file to the desktop's event-sound service, which plays it on its own thread.
// 1 handed over; -1 not (no path, no sound service, a file it cannot find or read).
int alarm_sound_play(const std::string& path);

// Starts the program of a command line without a shell: its words as alarm_command_split
// makes them, the first one the program (looked up along PATH when it has no slash), in a
// session of its own, with the caller's environment and directory, standard input from
// /dev/null, standard output and error shared, and no other open file of ours. Never waits
// for it; a watcher thread collects its end so that it leaves no zombie. 1 started; -1 not (a
// blank or badly quoted command, a program that cannot be found or run).
int alarm_program_start(const std::string& command);

}  // namespace nw

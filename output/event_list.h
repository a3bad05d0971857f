// The two output lists the output window shows: alarm lines and network event lines, each the
// newest 200 lines with the calendar time they happened. Any thread may add; the window reads
// a copy when its listener tells it the list changed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace nw {

inline constexpr std::size_t OUTPUT_LIST_MAX = 200;
// Room each line keeps for its text, so that adding a line of up to this length never allocates
// (the capture thread adds ring events from its frame path).
inline constexpr std::size_t OUTPUT_LINE_RESERVE = 256;
// "Sun Dec  6 12:29:03 2026" and its terminator.
inline constexpr std::size_t OUTPUT_TIME_TEXT_SIZE = 25;

struct output_line {
  std::string text;
  std::uint32_t time = 0;  // calendar time in seconds
};

// A list capped at OUTPUT_LIST_MAX lines, oldest first; the 201st line drops the oldest.
// Guarded by its own mutex; the listener runs after the line is in, outside that mutex, on the
// adding thread (it must only post a notice, never read the model or block).
class event_list {
 public:
  using listener = std::function<void()>;

  event_list();
  // Never allocates for a text of up to OUTPUT_LINE_RESERVE characters.
  void add(std::string_view text, std::uint32_t time);
  [[nodiscard]] std::vector<output_line> lines() const;
  [[nodiscard]] std::size_t size() const;
  // An empty listener removes it.
  void set_listener(listener on_added);
  // No lines and no listener (tests start clean).
  void reset();

 private:
  mutable std::mutex mutex_;
  std::array<output_line, OUTPUT_LIST_MAX> ring_;
  std::size_t first_ = 0;  // the oldest line's slot
  std::size_t count_ = 0;
  std::shared_ptr<const listener> listener_;
};

[[nodiscard]] event_list& output_alarm_list();
[[nodiscard]] event_list& output_event_list();

void output_add_alarm(std::string_view text, std::uint32_t time);
void output_add_event(std::string_view text, std::uint32_t time);

// Both lists emptied and their listeners removed (tests start clean).
void output_lists_reset();

// The 24-character calendar text in local time, English names whatever the locale
// ("Sun Dec  6 12:29:03 2026"), without a line feed; empty when the time has no local form.
// Safe from any thread.
[[nodiscard]] std::array<char, OUTPUT_TIME_TEXT_SIZE> output_time_text(std::uint32_t time);

}  // namespace nw

// The alarm and network event lists and the calendar text of their times.
#include "output/event_list.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace nw {
namespace {

event_list alarm_lines;
event_list event_lines;

// The C library's names, not the locale's: the time column reads the same on every desktop.
constexpr const char* WEEKDAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

event_list::event_list() {
  for (output_line& line : ring_) line.text.reserve(OUTPUT_LINE_RESERVE);
}

void event_list::add(std::string_view text, std::uint32_t time) {
  std::shared_ptr<const listener> notify;
  {
    std::lock_guard lock(mutex_);
    std::size_t slot = (first_ + count_) % OUTPUT_LIST_MAX;
    if (count_ == OUTPUT_LIST_MAX) {
      slot = first_;
      first_ = (first_ + 1) % OUTPUT_LIST_MAX;
    } else {
      ++count_;
    }
    ring_[slot].text.assign(text);
    ring_[slot].time = time;
    notify = listener_;
  }
  if (notify) (*notify)();
}

std::vector<output_line> event_list::lines() const {
  std::lock_guard lock(mutex_);
  std::vector<output_line> copy;
  copy.reserve(count_);
  for (std::size_t i = 0; i < count_; ++i) copy.push_back(ring_[(first_ + i) % OUTPUT_LIST_MAX]);
  return copy;
}

std::size_t event_list::size() const {
  std::lock_guard lock(mutex_);
  return count_;
}

void event_list::set_listener(listener on_added) {
  auto shared = on_added ? std::make_shared<const listener>(std::move(on_added)) : nullptr;
  std::lock_guard lock(mutex_);
  listener_ = std::move(shared);
}

void event_list::reset() {
  std::lock_guard lock(mutex_);
  for (output_line& line : ring_) {
    line.text.clear();  // keeps the room reserved
    line.time = 0;
  }
  first_ = count_ = 0;
  listener_.reset();
}

event_list& output_alarm_list() { return alarm_lines; }
event_list& output_event_list() { return event_lines; }

void output_add_alarm(std::string_view text, std::uint32_t time) { alarm_lines.add(text, time); }
void output_add_event(std::string_view text, std::uint32_t time) { event_lines.add(text, time); }

void output_lists_reset() {
  alarm_lines.reset();
  event_lines.reset();
}

std::array<char, OUTPUT_TIME_TEXT_SIZE> output_time_text(std::uint32_t time) {
  std::array<char, OUTPUT_TIME_TEXT_SIZE> text{};
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm parts{};
  if (localtime_r(&t, &parts) == nullptr || parts.tm_wday < 0 || parts.tm_wday > 6 || parts.tm_mon < 0 ||
      parts.tm_mon > 11) {
    return text;
  }
  // A 32-bit unsigned time ends in 2106, so the year always has four digits and the text 24
  // characters; the roomier buffer only spares the compiler's truncation warning.
  char wide[64];
  std::snprintf(wide, sizeof wide, "%s %s %2d %02d:%02d:%02d %d", WEEKDAYS[parts.tm_wday],
                MONTHS[parts.tm_mon], parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                parts.tm_year + 1900);
  std::copy_n(wide, text.size() - 1, text.begin());
  return text;
}

}  // namespace nw

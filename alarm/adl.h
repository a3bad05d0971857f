// Reading and writing the alarm file. The reader appends to the current alarm list; host
// references are answered from the host-name cache or requested from it (alarm_ref.h).
#pragma once

#include <string>
#include <string_view>

#include "alarm/alarm_def.h"

namespace nw {

// Reads the file at path after the protocol file (protocol names are looked up among its
// names), appends every alarm to alarm_list_current() and returns that list. A file that
// cannot be read shows "Could not open %s for parsing"; a syntax error shows
// "parse error на линии [n]" and ends reading, keeping the alarms complete before it.
// Start-up only: the capture thread must not run yet.
alarm_list& adl_load(const std::string& path);

// The same over text already in memory.
alarm_list& adl_load_text(std::string_view text);

// Writes every alarm that alarm_to_text can write, one line each in list order, replacing the
// file in one step (a failed save leaves the old file whole). 1 when written; -1 after the
// message "Could not save file %s for parsing" when not. The resolver thread may write host
// entries meanwhile: that is safe (alarm_ref.h).
[[nodiscard]] int adl_save(const std::string& path, const alarm_list& list);

}  // namespace nw

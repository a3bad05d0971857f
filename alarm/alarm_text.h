// One alarm as a line of the alarm file.
#pragma once

#include <string>

#include "alarm/alarm_def.h"

namespace nw {

// The alarm's line, ended by a line feed, in the form the reader reads back as the same alarm.
// Empty when it cannot be written: a host or link alarm without a host that reads back, a
// protocol alarm whose protocol has no name the reader knows, no subject, or a text that holds
// a double quote (the file's strings have no escape for it).
[[nodiscard]] std::string alarm_to_text(const alarm_def& alarm);

}  // namespace nw

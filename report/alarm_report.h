// The alarm report: every alarm that fired, with the time of each firing.
#pragma once

#include "report/report_body.h"

namespace nw {

// Copies the alarms of the current list that fired at least once, under the alarm mutex.
[[nodiscard]] report_body alarm_report_copy();

}  // namespace nw

// The body of one report, copied from the model: it writes itself into any file of the set.
#pragma once

#include <functional>

#include "report/report_file.h"

namespace nw {

// Holds its own copy of everything it shows, so it needs no lock and may run on any thread.
using report_body = std::function<void(report_file& file)>;

}  // namespace nw

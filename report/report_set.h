// The three files of one report, written side by side from one base path.
#pragma once

#include <array>
#include <string>

#include "report/report_file.h"

namespace nw {

// files[format] is the file of that format, named base_path + "." + report_ext(format).
struct report_set {
  std::string base_path;
  std::array<report_file, REPORT_FORMAT_COUNT> files;
};

// Opens the three files, overwriting an earlier run's. 1 done; -1 when any of them cannot be
// opened, with the reason in *error and all three left closed (the run writes nothing).
[[nodiscard]] int report_set_open(report_set& set, std::string base_path, std::string* error);

// Closes all three. 1 when every write reached its file; -1 with the first failure's reason
// in *error (the others are still closed); 0 when none was open.
[[nodiscard]] int report_set_close(report_set& set, std::string* error);

}  // namespace nw

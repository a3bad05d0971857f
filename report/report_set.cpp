// Opening and closing a report's three files together.
#include "report/report_set.h"

#include <utility>

namespace nw {

int report_set_open(report_set& set, std::string base_path, std::string* error) {
  set.base_path = std::move(base_path);
  for (const report_format format : REPORT_FORMATS) {
    std::string path = set.base_path + "." + report_ext(format);
    if (report_file_open(set.files[format], std::move(path), format, error) != 1) {
      // The ones already open are dropped unwritten; nothing is lost that the run had.
      for (report_file& file : set.files) (void)report_file_close(file, nullptr);
      return -1;
    }
  }
  return 1;
}

int report_set_close(report_set& set, std::string* error) {
  int result = 0;
  for (report_file& file : set.files) {
    std::string reason;
    const int closed = report_file_close(file, &reason);
    if (closed == -1 && result != -1) {
      result = -1;
      if (error != nullptr) *error = std::move(reason);
    } else if (closed == 1 && result == 0) {
      result = 1;
    }
  }
  return result;
}

}  // namespace nw

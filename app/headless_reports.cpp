// The headless run's report sets: the three reports of each network, each on a thread of its own.
#include "app/headless_reports.h"

#include <cstdio>

#include "report/report_run.h"

namespace nw {

int headless_write_reports(const std::vector<headless_network>& runs, const std::string& dir,
                           const protocol_node* protocols, std::uint32_t start_time) {
  int failures = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::string folder = runs.size() == 1 ? dir : dir + "/" + std::to_string(i + 1);
    std::vector<std::string> errors;
    failures += report_write_all(runs[i].network, protocols, start_time, folder, &errors);
    for (const std::string& error : errors) {
      std::fprintf(stderr, "%s: report not written: %s\n", runs[i].file.c_str(), error.c_str());
    }
  }
  return failures;
}

}  // namespace nw

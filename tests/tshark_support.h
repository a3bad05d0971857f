// Running tshark as the independent reading of a capture: its tab-separated field rows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace nw::test {

inline bool tshark_available() { return std::system("tshark -v >/dev/null 2>&1") == 0; }

// The rows tshark prints for `command` (which must print tab-separated fields), split into
// columns; empty when tshark cannot run.
inline std::vector<std::vector<std::string>> tshark_rows(const std::string& command) {
  std::vector<std::vector<std::string>> rows;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return rows;
  std::string line;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    line += buffer;
    if (line.back() != '\n') continue;
    line.pop_back();
    std::vector<std::string> columns;
    std::istringstream split(line);
    for (std::string column; std::getline(split, column, '\t');) columns.push_back(column);
    if (!line.empty() && line.back() == '\t') columns.emplace_back();
    rows.push_back(std::move(columns));
    line.clear();
  }
  return rows;
}

}  // namespace nw::test

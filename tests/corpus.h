// Where the shared capture corpus lies: $NODEWREN_PCAPS, else the shared test data's pcaps folder.
// Tests that need it skip when it is absent.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/shared_data.h"

namespace nw::test {

inline std::filesystem::path corpus_dir() {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates;
  if (const char* env = std::getenv("NODEWREN_PCAPS")) candidates.emplace_back(env);
  candidates.emplace_back(shared_path("pcaps"));
  for (const auto& dir : candidates) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return dir;
  }
  return {};
}

// Every *.pcap of the corpus, sorted by name; empty when there is no corpus.
inline std::vector<std::filesystem::path> corpus_files() {
  std::vector<std::filesystem::path> files;
  const auto dir = corpus_dir();
  if (dir.empty()) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".pcap") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace nw::test

// Where the shared test data lies (capture corpus, file-format samples): $NODEWREN_SHARED when
// set (only there: set it to an empty folder to run without), else beside the project, else the
// workplace's copy. Tests that need it skip when it is absent.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace nw::test {

// The shared folder, or an empty path when there is none.
inline std::filesystem::path shared_dir() {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates;
  if (const char* env = std::getenv("NODEWREN_SHARED")) {
    candidates.emplace_back(env);
  } else {
    candidates.emplace_back(fs::path(NODEWREN_SOURCE_DIR) / ".." / "shared");
    candidates.emplace_back("/work/shared");
  }
  for (const auto& dir : candidates) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return dir;
  }
  return {};
}

// A folder below the shared one, or an empty path when it is absent.
inline std::filesystem::path shared_path(const char* below) {
  const auto dir = shared_dir();
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(dir / below, ec)) return {};
  return dir / below;
}

}  // namespace nw::test

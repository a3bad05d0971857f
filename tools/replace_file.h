// Writing a generated file in one step, so that a failed run never leaves a half file that the
// build would take as up to date.
#pragma once

#include <filesystem>
#include <string_view>

namespace nw::tools {

// Writes bytes beside path and renames them over it; false (and no file left behind) on failure.
[[nodiscard]] bool replace_file(const std::filesystem::path& path, std::string_view bytes);

}  // namespace nw::tools

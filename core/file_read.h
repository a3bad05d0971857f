// Reading a whole data file (the protocol file, the font) into memory.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace nw {

enum class file_read_result { done, cannot_open, too_large, read_failed };

// The file's bytes in *out; a file larger than max_size is refused without reading it all.
// A directory opens but cannot be read: read_failed.
[[nodiscard]] file_read_result file_read_all(
    const std::string& path, std::string* out,
    std::uintmax_t max_size = std::numeric_limits<std::uintmax_t>::max());

}  // namespace nw

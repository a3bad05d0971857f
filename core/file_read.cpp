// Reading a whole data file into memory.
#include "core/file_read.h"

#include <cstdio>
#include <memory>

namespace nw {

file_read_result file_read_all(const std::string& path, std::string* out, std::uintmax_t max_size) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return file_read_result::cannot_open;
  out->clear();
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (out->size() + got > max_size) return file_read_result::too_large;
    out->append(buffer, got);
  }
  return std::ferror(file.get()) == 0 ? file_read_result::done : file_read_result::read_failed;
}

}  // namespace nw

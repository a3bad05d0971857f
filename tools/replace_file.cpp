// Writing a generated file in one step.
#include "tools/replace_file.h"

#include <fstream>

namespace nw::tools {

bool replace_file(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path partial = path.string() + ".partial";
  std::error_code error;
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      out.close();
      std::filesystem::remove(partial, error);
      return false;
    }
  }
  std::filesystem::rename(partial, path, error);
  if (!error) return true;
  std::filesystem::remove(partial, error);
  return false;
}

}  // namespace nw::tools

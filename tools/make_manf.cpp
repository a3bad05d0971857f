// nodewren-make-manf: writes the manufacturer table from the IEEE MA-L registry in its CSV form
// (oui.csv of Debian's ieee-data package), so the table follows the registry the build machine
// has instead of a copy that ages in the source tree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/manf_names.h"

namespace {

constexpr const char* HEADER =
    "# Manufacturer names by hardware-address prefix: the first three octets, the rest zero.\n"
    "# Generated at build time by nodewren-make-manf from the IEEE MA-L registry (oui.csv of the\n"
    "# ieee-data package); the names are the registered organization names, shortened.\n"
    "# Edits are lost on the next build.\n";

// Written beside the target and renamed over it, so a failed run never leaves a half table
// that the build would take as up to date.
bool write_table(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  const std::filesystem::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << HEADER;
    for (const auto& line : lines) out << line << '\n';
    if (!out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (!error) return true;
  std::filesystem::remove(partial, error);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: nodewren-make-manf OUI.CSV OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  const auto lines = nw::manf::manf_lines(nw::manf::read_registry_csv(in));
  if (lines.empty()) {
    std::fprintf(stderr, "%s: no MA-L assignments found; is it the registry's CSV form?\n",
                 argv[1]);
    return 1;
  }
  if (!write_table(argv[2], lines)) {
    std::fprintf(stderr, "%s: cannot write the manufacturer table\n", argv[2]);
    return 1;
  }
  return 0;
}

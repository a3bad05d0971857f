// nodewren-make-manf: writes the manufacturer table from the IEEE MA-L registry in its CSV form
// (oui.csv of Debian's ieee-data package), so the table follows the registry the build machine
// has instead of a copy that ages in the source tree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/manf_names.h"
#include "tools/replace_file.h"

namespace {

constexpr const char* HEADER =
    "# Manufacturer names by hardware-address prefix: the first three octets, the rest zero.\n"
    "# Generated at build time by nodewren-make-manf from the IEEE MA-L registry (oui.csv of the\n"
    "# ieee-data package); the names are the registered organization names, shortened.\n"
    "# Edits are lost on the next build.\n";

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
  std::string table = HEADER;
  for (const auto& line : lines) table += line + '\n';
  if (!nw::tools::replace_file(argv[2], table)) {
    std::fprintf(stderr, "%s: cannot write the manufacturer table\n", argv[2]);
    return 1;
  }
  return 0;
}

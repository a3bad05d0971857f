// nodewren-make-demo-names: gives the demo LAN's stations their names in the name database of
// the build directory, so that the demo map shows names, but only where there is no name
// database yet: a rebuild never touches the names a user keeps. The stamp file records what
// was done, for the build to know the step has run.
#include <cstdio>
#include <fstream>
#include <string>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "tools/demo_names.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: nodewren-make-demo-names DIRECTORY STAMP\n");
    return 2;
  }
  const std::string directory = argv[1];
  nw::netaddr_registry_init();
  if (nw::netaddr_ether_register() != 1 || nw::netaddr_ipv4_register() != 1) {
    std::fprintf(stderr, "nodewren-make-demo-names: cannot register the address families\n");
    return 1;
  }
  std::string error;
  const int rc = nw::demo::demo_names_write(directory, &error);
  if (rc < 0) {
    std::fprintf(stderr, "nodewren-make-demo-names: %s\n", error.c_str());
    return 1;
  }
  std::ofstream stamp(argv[2], std::ios::trunc);
  stamp << (rc > 0 ? "demo station names written to " : "name database kept as it was in ") << directory << "\n";
  if (!stamp.flush()) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}

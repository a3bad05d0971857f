// nodewren-make-demo: writes the demo LAN's capture file, so that the program can be tried
// without capturing or finding a capture first.
#include <cstdio>
#include <string>

#include "tools/demo_lan.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nodewren-make-demo OUTPUT.pcap\n");
    return 2;
  }
  const std::string path = argv[1];
  if (!nw::demo::write_pcap(path, nw::demo::demo_lan_frames())) {
    std::perror(path.c_str());
    return 1;
  }
  return 0;
}

// nodewren-make-bench-lan FILE STATIONS FRAMES: the large generated LAN of the speed benchmarks.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/bench_lan.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: nodewren-make-bench-lan FILE STATIONS FRAMES\n");
    return 2;
  }
  nw::demo::bench_lan_options options;
  options.stations = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  options.frames = std::strtoull(argv[3], nullptr, 10);
  if (options.stations < 4 || options.frames == 0) {
    std::fprintf(stderr, "nodewren-make-bench-lan: at least 4 stations and 1 frame\n");
    return 2;
  }
  if (!nw::demo::bench_lan_write(argv[1], options)) {
    std::fprintf(stderr, "nodewren-make-bench-lan: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// The headless run: capture files through the whole engine, as fast as they can be read, with
// the passes of the capture thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "stats/load_stats.h"

namespace nw {

struct net;

struct headless_network {
  net* network = nullptr;
  std::string file;
  load_sampler load;  // sampled after every pass, as the statistics panel would
  std::uint64_t passes = 0;
};

// What a run hangs on each file besides the load sampling; empty members are skipped.
struct headless_hooks {
  std::function<void(net&)> file_start;  // its network made and current, before the first pass
  std::function<void(net&)> alarms;      // each pass's alarm step, with the model lock held
  std::function<void(net&)> file_end;    // after its last pass, before the next file begins
};

// Each file becomes an adapter with a network of its own. A file that cannot be opened, or whose
// link type the engine does not decode, is said on standard error and skipped; `failures`
// counts them.
[[nodiscard]] std::vector<headless_network> headless_run(const std::vector<std::string>& files, int& failures,
                                                        const headless_hooks& hooks = {});

}  // namespace nw

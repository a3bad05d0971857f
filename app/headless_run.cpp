#include "app/headless_run.h"

#include <atomic>
#include <cstdio>

#include "capture/adapter_list.h"
#include "capture/capture_pass.h"
#include "model/model_config.h"
#include "model/net.h"

namespace nw {
namespace {

// 1 when the file was read to its end; -1 when it could not be opened or read.
int run_file(headless_network& h, const headless_hooks& run_hooks) {
  adapter_desc adapter;
  std::string error;
  if (adapter_from_file(h.file, adapter, error) < 0) {
    std::fprintf(stderr, "%s: %s\n", h.file.c_str(), error.c_str());
    return -1;
  }
  if (adapter.type != NETTYPE_ETHERNET && adapter.type != NETTYPE_TOKEN_RING) {
    std::fprintf(stderr, "%s: not an Ethernet or Token Ring capture\n", h.file.c_str());
    return -1;
  }
  auto source = capture_source::open(adapter, CAPTURE_SNAPLEN_DEFAULT, replay_pace::fastest, error);
  if (source == nullptr) {
    std::fprintf(stderr, "%s: %s\n", h.file.c_str(), error.c_str());
    return -1;
  }
  h.network = net_new(adapter);
  net_set_current(h.network);
  source->classify_ahead(h.network->media);
  if (run_hooks.file_start) run_hooks.file_start(*h.network);
  pass_hooks hooks;
  hooks.alarms = run_hooks.alarms;
  hooks.redraw = [&h](net& n) {
    load_sample(h.load, n);
    ++h.passes;
  };
  const std::atomic<bool> never{false};
  frame_batch batch;
  int got = 0;
  do {
    got = capture_pass(*h.network, *source, batch, hooks, never);
  } while (got > 0 || (got == 0 && !source->finished()));
  if (run_hooks.file_end) run_hooks.file_end(*h.network);
  if (!source->error().empty()) {
    std::fprintf(stderr, "%s: %s (frames before the damage are counted)\n", h.file.c_str(), source->error().c_str());
    return -1;
  }
  return 1;
}

}  // namespace

std::vector<headless_network> headless_run(const std::vector<std::string>& files, int& failures,
                                           const headless_hooks& hooks) {
  std::vector<headless_network> runs;
  for (const std::string& file : files) {
    headless_network h;
    h.file = file;
    if (run_file(h, hooks) < 0) ++failures;
    if (h.network != nullptr) runs.push_back(std::move(h));
  }
  return runs;
}

}  // namespace nw

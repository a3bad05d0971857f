// One pass of the capture loop: dispatches, then the steps that run once per pass.
#include "capture/capture_pass.h"

#include <chrono>
#include <optional>

#include "capture/netif.h"
#include "model/frame_ring.h"
#include "model/model_config.h"
#include "model/net.h"

namespace nw {
namespace {

// Whether the frames dispatched in this pass span the pass's capture time; a dispatch that
// kept no frames (a link type the model does not take) ends the pass.
bool pass_long_enough(const frame_batch& batch, std::optional<capture_time>& first) {
  if (batch.size() == 0) return true;
  if (!first) first = batch.header(0).time;
  return model_elapsed_us(*first, batch.header(batch.size() - 1).time) >= CAPTURE_PASS_MIN_US;
}

// Dispatches until one returns fewer than 500 frames (the read time-out: light traffic) or the
// pass spans its capture time. The wall-clock bound keeps a pass to the read time-out when time
// stamps stand still, as in a file whose frames all carry one time.
int pass_dispatch(const std::atomic<bool>& interrupt, net& network, capture_source& source, frame_batch& batch) {
  const auto started = std::chrono::steady_clock::now();
  std::optional<capture_time> first;
  int got = 0;
  do {
    got = netif_dispatch(network, source, batch);
  } while (got == NETIF_DISPATCH_MAX && !interrupt.load() && !pass_long_enough(batch, first) &&
           std::chrono::steady_clock::now() - started < CAPTURE_READ_TIMEOUT);
  return got;
}

// Live frames carry the wall clock's time, so a silent pass moves the model's clock by it.
capture_time wall_clock_now() {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return capture_time{static_cast<std::int32_t>(us / 1'000'000), static_cast<std::int32_t>(us % 1'000'000)};
}

}  // namespace

int capture_pass(net& network, capture_source& source, frame_batch& batch, const pass_hooks& hooks,
                 const std::atomic<bool>& interrupt) {
  if (hooks.stats_posted) hooks.stats_posted(network);
  const int got = pass_dispatch(interrupt, network, source, batch);
  model_lock lock;
  if (got <= 0 && source.live()) frame_window_idle(network, wall_clock_now());
  netif_account(network, source);
  if (hooks.alarms) hooks.alarms(network);
  net_age(network);
  if (hooks.redraw) hooks.redraw(network);
  return got;
}


}  // namespace nw

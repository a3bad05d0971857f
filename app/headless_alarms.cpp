#include "app/headless_alarms.h"

#include <fstream>
#include <future>
#include <memory>

#include "alarm/adl.h"
#include "alarm/alarm.h"
#include "alarm/alarm_check.h"
#include "alarm/alarm_thread.h"
#include "app/headless_run.h"
#include "hostc/hostc.h"

namespace nw {
namespace {

// The resolver serves requests in order: once one made now is answered, so is every reference
// the alarm file asked for. With "resolve" off nothing waits for the network.
void wait_for_references() {
  auto answered = std::make_shared<std::promise<void>>();
  std::future<void> done = answered->get_future();
  if (hostc_request_text("0.0.0.0", [answered](const hostc_entry*) { answered->set_value(); }) == 1) done.wait();
}

}  // namespace

int headless_alarms_start(const std::string& path) {
  (void)hostc_init(hostc_options{});  // no resolve_enabled: "resolve" off
  (void)hostc_thread_start();
  (void)adl_load(path);  // says why when the file cannot be read
  if (!std::ifstream(path).is_open()) {
    hostc_shutdown();
    return -1;
  }
  wait_for_references();
  alarm_register_all();
  (void)alarm_thread_start(alarm_actions{});  // no sound, no program
  return 1;
}

void headless_alarms_hook(headless_hooks& hooks) {
  hooks.file_start = [](net& network) {
    alarm_rebind_all();
    alarm_rank_all(network);
  };
  hooks.alarms = alarm_pass_checks();
  hooks.file_end = [](net&) { (void)alarm_thread_drain(); };
}

void headless_alarms_stop() {
  (void)alarm_thread_drain();
  alarm_thread_stop();
  hostc_shutdown();
}

}  // namespace nw

// Shutdown, in its order.
#include "program/shutdown.h"

#include <thread>

#include "alarm/adl.h"
#include "alarm/alarm.h"
#include "alarm/alarm_thread.h"
#include "capture/adapter_change.h"
#include "capture/capture_thread.h"
#include "hostc/hostc.h"
#include "namedb/cb_ether.h"
#include "program/logpal.h"
#include "program/settings.h"

namespace nw {
namespace {

// A capture file is an adapter of this run only: the stored adapter stays the live one the
// user chose last.
void keep_adapter_index() {
  const auto adapters = adapter_change_adapters();
  const std::size_t current = adapter_change_current();
  if (current < adapters.size() && !adapters[current].file) settings().interface = static_cast<std::uint32_t>(current);
}

void close_names(program_state& state) {
  if (state.names_open) ethers_close();
  state.names_open = false;
}

// The resolver and alarm threads are joined so that the process ends with no thread still
// running.
void end_threads(program_state& state) {
  if (state.alarm_thread) alarm_thread_stop();
  state.alarm_thread = false;
  if (state.hostc_made) hostc_shutdown();
  state.hostc_made = false;
}

}  // namespace

void shutdown_after_failure(program_state& state) {
  close_names(state);
  end_threads(state);
}

void shutdown_run(program_state& state, settings_store& store, const std::function<void()>& destroy_windows) {
  capture_stop();
  std::this_thread::yield();
  if (state.focuses_whole) (void)focus_save(settings().cfdump, state.protocols, state.focuses);
  close_names(state);
  free_palette();
  // After a faulty read the file still holds alarms that were never read: writing the list
  // would lose them.
  if (state.alarms_whole) (void)adl_save(settings().alarms, alarm_list_current());
  if (destroy_windows) destroy_windows();
  keep_adapter_index();
  save_settings(store);
  end_threads(state);
}

}  // namespace nw

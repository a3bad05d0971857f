// Shutdown, when the main window closes: the capture stopped and its handle closed, the colour
// and focus file written, the name database closed with its backups, the alarm file written,
// the windows destroyed (each keeps its layout as it goes) and the settings written.
#pragma once

#include <functional>

#include "core/settings_store.h"
#include "program/startup.h"

namespace nw {

// destroy_windows: destroys the map window, the control column, the output window and the
// list windows. Also safe after a start-up that ended early.
void shutdown_run(program_state& state, settings_store& store, const std::function<void()>& destroy_windows);

// After a start-up that cannot go on: the threads start-up left running are ended, nothing is
// written.
void shutdown_after_failure(program_state& state);

}  // namespace nw

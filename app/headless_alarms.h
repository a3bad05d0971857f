// Alarms in the headless run: the alarm file read with its host references answered from the
// name database alone (a batch run looks nothing up), evaluation after every pass, and the
// firings carried out on the alarm thread with no sound played and no program started.
#pragma once

#include <string>

namespace nw {

struct headless_hooks;

// Reads the alarm file (complaints go to standard error) once the protocol file is read and the
// name database open, waits until its host references are answered, and starts the host-name
// cache and the alarm thread: 1. -1 when the file cannot be read; nothing is left running.
// A syntax error keeps the alarms before it, as at start-up.
[[nodiscard]] int headless_alarms_start(const std::string& path);

// Hangs the alarms on a run: at the start of every file the alarms bind anew, to its stations,
// and its network ranks them all; every pass binds and checks them; and a file's firings are
// all carried out before the next file begins (the alarm thread ranks a firing in the current
// network). An alarm's hits count over the whole run.
void headless_alarms_hook(headless_hooks& hooks);

// After the run: the alarm thread stopped once every firing is carried out, and the host-name
// cache shut down.
void headless_alarms_stop();

}  // namespace nw

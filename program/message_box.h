// The engine's messages as message boxes: shown at once on the window thread, and posted to it
// from any other thread (which never waits for the user).
#pragma once

#include "core/message.h"

namespace nw {

// Shows one message modally over the active window (or none, before the main window exists).
void message_box_show(const message& msg);

// The hook for message_set_hook: message_box_show on the window thread, posted otherwise.
void message_box_hook(const message& msg);

}  // namespace nw

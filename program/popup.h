// The open list windows (top-N lists, host list, node-watch windows, name table editor), and
// the three messages that go to all of them. Window thread only.
#pragma once

class QWidget;

namespace nw {

inline constexpr int POPUP_MSG_NET_REPLACED = 5024;    // after an adapter change
inline constexpr int POPUP_MSG_COLUMNS_CHANGED = 5026;  // after the preferences' OK
inline constexpr int POPUP_MSG_NAMES_CHANGED = 5027;    // after the name table editor changed names

// Every list window registers itself when it is made; a closed one drops out by itself.
void popup_add(QWidget* window);

// Sends message `number` to every registered window that still exists, forgetting those that
// do not. Returns how many got it.
int popup_broadcast(int number);

// The registered windows that still exist.
[[nodiscard]] int popup_count();

// Closes every registered window (shutdown, before the settings are written: each stores its
// layout as it closes) and forgets them.
void popup_close_all();

}  // namespace nw

// The control column's scrolling: five positions, each moving the children up by a step that
// makes the last position show the bottom of the 645 pixels they cover.
#pragma once

namespace nw {

inline constexpr int PANEL_CONTENT_HEIGHT = 645;
inline constexpr int PANEL_SCROLL_MAX = 4;

struct panel_scroll {
  int position = 0;  // 0..PANEL_SCROLL_MAX
  int step = 0;      // pixels per position; 0 or less when the column shows everything
};

// A new column height: the step is set from it and the children's offset (pixels moved up)
// returned.
int panel_scroll_resize(panel_scroll& s, int height);

// Whether a column of this height needs its scroll bar.
[[nodiscard]] constexpr bool panel_scroll_enabled(int height) { return height < PANEL_CONTENT_HEIGHT + 1; }

// Moves by `change` positions, limited to 0..PANEL_SCROLL_MAX, and returns the change made
// (0: nothing to do).
int panel_scroll_by(panel_scroll& s, int change);

// Pixels the children are moved up at the current position.
[[nodiscard]] int panel_scroll_offset(const panel_scroll& s);

}  // namespace nw

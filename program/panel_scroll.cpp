// The control column's scroll arithmetic.
#include "program/panel_scroll.h"

#include <algorithm>

namespace nw {

int panel_scroll_resize(panel_scroll& s, int height) {
  s.step = (PANEL_CONTENT_HEIGHT - height) / PANEL_SCROLL_MAX;
  return panel_scroll_offset(s);
}

int panel_scroll_by(panel_scroll& s, int change) {
  const int target = std::clamp(s.position + change, 0, PANEL_SCROLL_MAX);
  const int made = target - s.position;
  s.position = target;
  return made;
}

int panel_scroll_offset(const panel_scroll& s) { return std::max(s.step, 0) * s.position; }

}  // namespace nw

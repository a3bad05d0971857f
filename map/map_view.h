// The map window's off-screen picture and the world rectangle it shows: what the window calls
// on size changes, zooms and paints, and the display mutex that guards them.
//
// Locks: the display mutex ("netwindow") guards the drawing device, the off-screen picture,
// the world rectangle, the suspended flag and the zoom box's marks. Whoever also needs the
// model lock (the capture thread's redraw, a label rescale) takes the model lock first.
#pragma once

#include <mutex>

#include "map/map_messages.h"

class QImage;

namespace nw {

// The world spans -1.3..1.3 on the map window's shorter side.
inline constexpr double MAP_WORLD_HALF = 1.3;

struct map_world {
  double left = -MAP_WORLD_HALF;
  double right = MAP_WORLD_HALF;
  double bottom = -MAP_WORLD_HALF;
  double top = MAP_WORLD_HALF;
};

// The display mutex, "netwindow".
[[nodiscard]] std::mutex& map_display_mutex();

// The aspect-correct world for a window of width × height pixels (both at least 1).
[[nodiscard]] map_world map_world_for_size(int width, int height);
// The aspect value sent to the zoom box (message 1025): X / Y × 100, truncated. X / Y is the
// window's width over its height, which gives the value without rounding.
[[nodiscard]] int map_aspect(int width, int height);
// The part of the full -1.3..1.3 world that a zoom rectangle names.
[[nodiscard]] map_world map_world_for_zoom(const zoom_rect& rect);

// Makes the off-screen picture, as large as the window can get (the screen), black, and
// points the drawing device at it with the start-up world -1.3..1.3. Caller holds the
// display mutex, as for everything below.
void map_open(int width, int height);
// Releases the picture and the drawing device's painter (the window's destruction).
void map_close();
// The off-screen picture; the window copies its top-left corner, as large as the window.
[[nodiscard]] const QImage& map_image();

// The window's size change. Width or height 0 suspends drawing and returns -1. Otherwise
// drawing resumes with the device at this size, the aspect-correct world (any zoom is gone)
// and a black picture (grown when the window is larger), and the aspect value for the zoom box
// is returned.
int map_resize(int width, int height);
[[nodiscard]] bool map_suspended();
// Applies a zoom rectangle received with message 1026. A rectangle with no width or height
// is refused by the drawing device, and the world stays as it was.
void map_zoom(const zoom_rect& rect);
// The world rectangle the device draws in now.
[[nodiscard]] map_world map_current_world();

// No picture, not suspended, the start-up world (tests start clean).
void map_view_reset();

}  // namespace nw

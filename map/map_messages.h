// The numbered messages between the map window and the zoom box, as Qt events whose type is
// the message number.
#pragma once

#include <QEvent>

#include <cstdint>

namespace nw {

// Map window to zoom box, on every size change: the aspect value X / Y × 100, truncated.
inline constexpr int MAP_MSG_ASPECT = 1025;
// Zoom box to map window: show this part of the map from the next redraw on.
inline constexpr int MAP_MSG_ZOOM = 1026;
// To the map window after a font size change: measure the labels again on the next paint.
inline constexpr int MAP_MSG_RESCALE = 1027;

// A part of the map in the zoom box's 0..100 units, y down: (0, 0, 100, 100) is the whole map.
struct zoom_rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 100;
  std::int32_t bottom = 100;
};

class map_aspect_event : public QEvent {
 public:
  explicit map_aspect_event(int aspect) : QEvent(static_cast<QEvent::Type>(MAP_MSG_ASPECT)), aspect_(aspect) {}
  [[nodiscard]] int aspect() const { return aspect_; }

 private:
  int aspect_;
};

// Carries a copy of the rectangle: the sender's may change before the map window gets it.
class map_zoom_event : public QEvent {
 public:
  explicit map_zoom_event(const zoom_rect& rect) : QEvent(static_cast<QEvent::Type>(MAP_MSG_ZOOM)), rect_(rect) {}
  [[nodiscard]] const zoom_rect& rect() const { return rect_; }

 private:
  zoom_rect rect_;
};

class map_rescale_event : public QEvent {
 public:
  map_rescale_event() : QEvent(static_cast<QEvent::Type>(MAP_MSG_RESCALE)) {}
};

}  // namespace nw

// What the text strokes share with the device: the mapping of object coordinates to pixels,
// a painter ready for strokes, and the current position. Internal to the drawing library.
#pragma once

#include <QPointF>
#include <QTransform>

#include "draw/draw.h"

class QPainter;

namespace nw {

// The current transformation followed by the world-to-pixel mapping.
[[nodiscard]] QTransform draw_device_transform();
// (x, y) through t, snapped to 1/64 pixel: the rasterizer's own precision, so that a point
// meant to lie on a pixel boundary does not slip to the pixel before it through rounding.
[[nodiscard]] QPointF draw_device_point(const QTransform& t, double x, double y);
// The painter with a pen of the current colour and line width, or nullptr when nothing can
// be drawn (no target, or the current colour is not defined).
[[nodiscard]] QPainter* draw_device_stroke_painter();
// The current position, in the coordinates it was given.
[[nodiscard]] draw_point& draw_device_position();

}  // namespace nw

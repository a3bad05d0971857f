// What the text strokes and the line painter share with the device: the mapping of object
// coordinates to pixels, a painter ready for strokes, the current position, and the painting
// of copy-mode lines. Internal to the drawing library.
#pragma once

#include <QPointF>
#include <QRgb>
#include <QTransform>

#include <cstdint>
#include <span>
#include <vector>

#include "draw/draw.h"

class QImage;
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
// A line waiting to be painted in copy mode: ends in pixel coordinates, width in pixels (1
// and less a thin line), colour.
struct draw_device_line {
  QPointF from;
  QPointF to;
  int width = 0;
  QRgb colour = 0;
};
// Pixels [first, end) of a row, all taken by later lines; a range of x from from_at_least
// to to_at_most surely rounds to pixels among them.
struct draw_device_run {
  int first = 0;
  int end = 0;
  double from_at_least = 0.0;
  double to_at_most = 0.0;
  draw_device_run() = default;
  draw_device_run(int first_pixel, int end_pixel);
};
// What every row of a band of rows has taken: a range of x from from_at_least to to_at_most
// surely rounds to taken pixels on each of them. Recomputed when one of its rows changed.
struct draw_device_band {
  double from_at_least = 0.0;
  double to_at_most = 0.0;
  bool stale = true;
};
// Scratch space of the line painter, kept by the caller so that a redraw allocates nothing.
struct draw_device_coverage {
  std::vector<std::uint64_t> bits;    // a bit a pixel: taken by a later line
  std::vector<draw_device_run> settled;  // a row each
  std::vector<draw_device_band> bands;   // a band each BAND_ROWS rows
  static constexpr int BAND_ROWS = 16;
};
// Paints lines into a Format_RGB32 target as drawing them one after the other in copy mode
// would: a wide line fills the pixels whose centres lie in its flat-ended rectangle, a thin
// one a pixel per step along its longer axis from end to end. Clipped to the image.
void draw_device_paint_lines(QImage& target, std::span<const draw_device_line> lines,
                             draw_device_coverage& coverage);
// The current position, in the coordinates it was given.
[[nodiscard]] draw_point& draw_device_position();

}  // namespace nw

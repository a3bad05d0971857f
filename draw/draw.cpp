// The drawing device: world rectangle, colour table, transformation stack, lines and discs.
#include "draw/draw.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "core/hfont.h"
#include "core/message.h"
#include "core/str_cache.h"
#include "draw/draw_device.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_WARNING_CAPTION = 50010;
constexpr double MIN_RADIUS = 0.001;
constexpr std::size_t STACK_RESERVE = 16;

constexpr std::array<QRgb, DRAW_BASIC_COLORS> BASIC_COLORS{
    qRgb(0, 0, 0),   qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

// The device. Guarded by the map's display mutex: one thread draws at a time.
struct device {
  QImage* target = nullptr;
  std::unique_ptr<QPainter> painter;  // active from the first paint to draw_flush
  int width = 1, height = 1;
  double left = -1.0, right = 1.0, bottom = -1.0, top = 1.0;
  QTransform projection;  // world to pixels
  QTransform model;       // object to world
  std::vector<QTransform> stack;
  std::array<QRgb, DRAW_COLORS> colors{};
  std::array<bool, DRAW_COLORS> defined{};
  int current = 7;
  draw_mode mode = draw_mode::copy;
  int line_width = 1;
  // The painter's pen no longer matches the colour and width: a pen is made only on a change,
  // not for every line of a redraw.
  bool pen_stale = true;
  draw_point position;
  // Copy-mode lines not yet painted, in drawing order; painted together before anything else
  // touches the target, so that each pixel is written by the last line over it only.
  std::vector<draw_device_line> pending;
  draw_device_coverage coverage;
};

void report(std::string text) {
  message_show({std::move(text), str_get(STR_WARNING_CAPTION), message_icon::none});
}

// Pixel boundaries, not pixel centres: the world rectangle spans the device's full width and
// height, so a line on the top edge lands in row 0 and one on the bottom edge is just outside.
void update_projection(device& d) {
  const double sx = d.width / (d.right - d.left);
  const double sy = -d.height / (d.top - d.bottom);
  d.projection = QTransform(sx, 0.0, 0.0, sy, -d.left * sx, -d.top * sy);
}

device fresh_device() {
  device d;
  for (std::size_t i = 0; i < BASIC_COLORS.size(); ++i) {
    d.colors[i] = BASIC_COLORS[i];
    d.defined[i] = true;
  }
  update_projection(d);
  return d;
}

device g_device = fresh_device();

QPainter::CompositionMode composition(draw_mode mode) {
  return mode == draw_mode::exclusive_or ? QPainter::RasterOp_SourceXorDestination
                                         : QPainter::CompositionMode_SourceOver;
}

void paint_pending_lines(device& d) {
  if (d.pending.empty()) return;
  if (d.target != nullptr) draw_device_paint_lines(*d.target, d.pending, d.coverage);
  d.pending.clear();
}

// The painter, begun on the target when it was not, after the pending lines; nullptr without
// a target.
QPainter* painter(device& d) {
  paint_pending_lines(d);
  if (d.target == nullptr) return nullptr;
  if (!d.painter->isActive()) {
    if (!d.painter->begin(d.target)) return nullptr;
    d.pen_stale = true;
    // Aliased: exclusive-or drawing must touch each pixel exactly once per shape.
    d.painter->setRenderHint(QPainter::Antialiasing, false);
    d.painter->setCompositionMode(composition(d.mode));
  }
  return d.painter.get();
}

// The painter when the current colour can be drawn, else nullptr.
QPainter* colour_painter(device& d) {
  const auto index = static_cast<std::size_t>(d.current);
  return d.defined[index] ? painter(d) : nullptr;
}

QColor current_colour(const device& d) { return QColor(d.colors[static_cast<std::size_t>(d.current)]); }

QPen line_pen(const device& d) {
  // Width 0 is Qt's one-pixel cosmetic pen. Wide lines end flat at their end points, as the
  // copy-mode lines do (draw_device_paint_lines); a round end would be stroked as a curve.
  QPen pen(current_colour(d), d.line_width > 1 ? d.line_width : 0);
  pen.setCapStyle(d.line_width > 1 ? Qt::FlatCap : Qt::RoundCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

}  // namespace

QTransform draw_device_transform() { return g_device.model * g_device.projection; }

QPointF draw_device_point(const QTransform& t, double x, double y) {
  constexpr double STEPS = 64.0;
  const QPointF p = t.map(QPointF(x, y));
  return {std::round(p.x() * STEPS) / STEPS, std::round(p.y() * STEPS) / STEPS};
}

QPainter* draw_device_stroke_painter() {
  QPainter* p = colour_painter(g_device);
  if (p != nullptr && g_device.pen_stale) {
    p->setPen(line_pen(g_device));
    g_device.pen_stale = false;
  }
  return p;
}

draw_point& draw_device_position() { return g_device.position; }

void draw_open(QImage* target) {
  device& d = g_device;
  draw_flush();
  d.target = target;
  if (!d.painter) d.painter = std::make_unique<QPainter>();
  d.stack.reserve(STACK_RESERVE);
  if (target != nullptr) draw_set_size(target->width(), target->height());
}

void draw_set_size(int width, int height) {
  device& d = g_device;
  d.width = width > 1 ? width : 1;
  d.height = height > 1 ? height : 1;
  update_projection(d);
}

void draw_flush() {
  paint_pending_lines(g_device);
  if (g_device.painter && g_device.painter->isActive()) g_device.painter->end();
}

void draw_close() {
  draw_flush();
  g_device.painter.reset();
  g_device.target = nullptr;
}

void draw_reset() {
  draw_close();
  g_device = fresh_device();
  hfont_set_text_size(1.0f, 1.0f);
}

void draw_set_mode(draw_mode mode) {
  g_device.mode = mode;
  if (g_device.painter && g_device.painter->isActive())
    g_device.painter->setCompositionMode(composition(mode));
}

void ortho2(double left, double right, double bottom, double top) {
  // The rectangle would map everything onto one column or row: refuse it, keep the old one.
  if (left == right) return report("ortho2: left clipping plane same as right one.");
  if (bottom == top) return report("ortho2: bottom clipping plane same as top one.");
  device& d = g_device;
  d.left = left;
  d.right = right;
  d.bottom = bottom;
  d.top = top;
  update_projection(d);
}

void color(int index) {
  if (index < 0 || index >= DRAW_COLORS) {
    return report(message_format("color: colour index %d out of range 0..%d", index, DRAW_COLORS - 1));
  }
  g_device.current = index;
  g_device.pen_stale = true;
}

void mapcolor(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  if (index < 0 || index >= DRAW_COLORS) {
    return report(message_format("mapcolor: colour index %d out of range 0..%d", index, DRAW_COLORS - 1));
  }
  g_device.colors[static_cast<std::size_t>(index)] = qRgb(red, green, blue);
  g_device.defined[static_cast<std::size_t>(index)] = true;
  g_device.pen_stale = true;
}

void clear() {
  device& d = g_device;
  QPainter* p = colour_painter(d);
  if (p == nullptr) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->fillRect(0, 0, d.width, d.height, current_colour(d));
  p->setCompositionMode(composition(d.mode));
}

void pushmatrix() { g_device.stack.push_back(g_device.model); }

void popmatrix() {
  device& d = g_device;
  if (d.stack.empty()) return report("popmatrix: matrix stack empty");
  d.model = d.stack.back();
  d.stack.pop_back();
}

void translate(double x, double y, double /*z: the plane is z = 0*/) {
  g_device.model = QTransform::fromTranslate(x, y) * g_device.model;
}

void rot(double degrees, char axis) {
  if (axis != 'z' && axis != 'Z') return report(message_format("rot: illegal axis of rotation '%c'", axis));
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  g_device.model = QTransform(c, s, -s, c, 0.0, 0.0) * g_device.model;
}

void move(double x, double y, double /*z: the plane is z = 0*/) { move2(x, y); }

void move2(double x, double y) { g_device.position = {x, y}; }

void draw2(double x, double y) {
  const QTransform t = draw_device_transform();
  const draw_point from = g_device.position;
  g_device.position = {x, y};
  device& d = g_device;
  const QPointF a = draw_device_point(t, from.x, from.y);
  const QPointF b = draw_device_point(t, x, y);
  const auto index = static_cast<std::size_t>(d.current);
  if (d.mode == draw_mode::copy && d.target != nullptr && d.target->format() == QImage::Format_RGB32) {
    if (d.defined[index]) d.pending.push_back({a, b, d.line_width, d.colors[index]});
    return;
  }
  if (QPainter* p = draw_device_stroke_painter()) p->drawLine(a, b);
}

void linewidth(int pixels) {
  g_device.line_width = pixels;
  g_device.pen_stale = true;
}

void draw_filled_circle(double x, double y, double r) {
  if (r < MIN_RADIUS) return;
  device& d = g_device;
  QPainter* p = colour_painter(d);
  if (p == nullptr) return;
  const QTransform t = draw_device_transform();
  const QPointF centre = t.map(QPointF(x, y));
  const QPointF across = t.map(QPointF(x + r, y)) - centre;
  const QPointF up = t.map(QPointF(x, y + r)) - centre;
  // Brush only: a pen would XOR the rim a second time. A disc under a pixel keeps one pixel,
  // so that a quiet host stays visible.
  if (std::hypot(across.x(), across.y()) < 1.0 && std::hypot(up.x(), up.y()) < 1.0) {
    p->fillRect(QRectF(std::floor(centre.x()), std::floor(centre.y()), 1.0, 1.0), current_colour(d));
    return;
  }
  p->setPen(Qt::NoPen);
  d.pen_stale = true;
  p->setBrush(current_colour(d));
  p->setTransform(t);
  p->drawEllipse(QPointF(x, y), r, r);
  p->resetTransform();
  p->setBrush(Qt::NoBrush);
}

draw_point draw_position() { return g_device.position; }

}  // namespace nw

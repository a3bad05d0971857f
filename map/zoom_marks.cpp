// The zoom box's mark picture.
#include "map/zoom_marks.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace nw {
namespace {

constexpr double WORLD_HALF = 1.3;
constexpr double MIN_DIAMETER = 2.0;

struct pictures {
  QImage marks;
  QImage shown;
  std::unique_ptr<QPainter> painter;  // on marks, from the first mark of a redraw to its flush
};

pictures g_pictures;  // guarded by the display mutex

QImage black_picture(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(Qt::black);
  return picture;
}

}  // namespace

QRectF zoom_mark_rect(double x, double y, double r, int width, int height) {
  const double cx = (x + WORLD_HALF) / (2 * WORLD_HALF) * width;
  const double cy = height - (y + WORLD_HALF) / (2 * WORLD_HALF) * height;
  const double d = std::max(MIN_DIAMETER, r / WORLD_HALF * width);
  return {cx - d / 2, cy - d / 2, d, d};
}

void zoom_marks_resize(int width, int height) {
  zoom_marks_flush();
  if (width <= 0 || height <= 0) {
    g_pictures.marks = g_pictures.shown = QImage();
    return;
  }
  g_pictures.marks = black_picture(width, height);
  g_pictures.shown = black_picture(width, height);
}

void zoom_mark_host(double x, double y, double r) {
  pictures& p = g_pictures;
  if (p.marks.isNull()) return;
  if (!p.painter) p.painter = std::make_unique<QPainter>();
  if (!p.painter->isActive()) {
    if (!p.painter->begin(&p.marks)) return;
    p.painter->setPen(Qt::NoPen);
    p.painter->setBrush(Qt::white);
  }
  p.painter->drawEllipse(zoom_mark_rect(x, y, r, p.marks.width(), p.marks.height()));
}

void zoom_marks_flush() {
  if (g_pictures.painter && g_pictures.painter->isActive()) g_pictures.painter->end();
}

void zoom_marks_refresh() {
  pictures& p = g_pictures;
  zoom_marks_flush();
  if (p.marks.isNull()) return;
  p.shown.swap(p.marks);
  p.marks.fill(Qt::black);
}

const QImage& zoom_marks_shown() { return g_pictures.shown; }

void zoom_marks_reset() {
  zoom_marks_flush();
  g_pictures = pictures{};
}

}  // namespace nw

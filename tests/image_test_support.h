// Reading back what was painted: where pixels of a colour lie, and how long a run of them is.
#pragma once

#include <QImage>
#include <QRect>

namespace nw::test {

// The smallest rectangle holding every pixel of `area` that has colour rgb; empty when none.
inline QRect ink_bounds(const QImage& image, QRect area, QRgb rgb) {
  QRect box;
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) == rgb) box |= QRect(x, y, 1, 1);
  return box;
}

inline int ink_count(const QImage& image, QRect area, QRgb rgb) {
  int n = 0;
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) == rgb ? 1 : 0;
  return n;
}

// Pixels of colour rgb in column x, counting up and down from row y (which must have it).
inline int vertical_run(const QImage& image, int x, int y, QRgb rgb) {
  if (image.pixel(x, y) != rgb) return 0;
  int top = y, bottom = y;
  while (top > 0 && image.pixel(x, top - 1) == rgb) --top;
  while (bottom + 1 < image.height() && image.pixel(x, bottom + 1) == rgb) ++bottom;
  return bottom - top + 1;
}

}  // namespace nw::test

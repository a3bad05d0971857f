// Lines painted in copy mode, straight into a 32-bit image. A redraw of the map paints
// thousands of links, most of them wide, over the same few hundred thousand pixels: painted
// last first, each line fills only the pixels no later line has taken, so a pixel is written
// once however many links cross it, and the rows of a line cost a few multiplications and a
// look at a small coverage bitmap each.
#include <QImage>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "draw/draw_device.h"

namespace nw {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr int WORD_BITS = 64;

// The x range of one of a wide line's two strips on the row whose centre lies q below the
// line's start: [start + q·slope + lo, start + q·slope + hi].
struct strip {
  double slope = 0.0;
  double lo = -INF;
  double hi = INF;
};

// The strip origin + [lo, hi] / dir_x measured along (dir_x, dir_y); a strip parallel to the
// x axis spans every x, because the row range already bounds it.
strip make_strip(double dir_x, double dir_y, double lo, double hi) {
  if (dir_x == 0.0) return {};
  const double a = lo / dir_x;
  const double b = hi / dir_x;
  return {-dir_y / dir_x, std::min(a, b), std::max(a, b)};
}

// First pixel whose centre lies at or after v, clamped to [0, limit]; 0 for NaN, which an
// extreme zoom can make of a nearly vertical line. It runs twice per row, so it rounds up by
// truncation: a centre less than CEIL_SLACK pixels before v counts as after it.
constexpr double CEIL_SLACK = 1e-7;
int pixel_at_or_after(double v, int limit) {
  const double t = std::min(std::max(0.5, v), limit + 0.5) - 0.5;  // NaN gives 0.5
  return static_cast<int>(t + (1.0 - CEIL_SLACK));
}

// The pixel holding v, clamped to [-1, limit].
int pixel_holding(double v, int limit) {
  if (!(v >= 0.0)) return -1;
  return v >= limit ? limit : static_cast<int>(v);
}

// The x range of the flat-ended rectangle of the line on each row it crosses, as
// out(row, from, to), clipped to rows. Rows go a band at a time: taken(row, band_end, from,
// to) with bounds of the line's x over the band's rows lets a band be passed over whole.
template <typename Taken, typename Out>
void wide_line_spans(const draw_device_line& l, int rows, Taken&& taken, Out&& out) {
  const double dx = l.to.x() - l.from.x();
  const double dy = l.to.y() - l.from.y();
  const double length = std::hypot(dx, dy);
  const double half = l.width / 2.0;
  // A segment of no length has no direction and, with flat ends, no area.
  if (!(length > 0.0) || !std::isfinite(length)) return;
  const double ux = dx / length;
  const double uy = dy / length;
  const double reach_y = std::abs(ux) * half;
  const int first_row = pixel_at_or_after(std::min(l.from.y(), l.to.y()) - reach_y, rows);
  const int end_row = pixel_at_or_after(std::max(l.from.y(), l.to.y()) + reach_y, rows);
  // Along the segment, (x - x0)·ux + q·uy lies in [0, length]; across it, (x - x0)·uy - q·ux
  // lies in [-half, half].
  const strip along = make_strip(ux, uy, 0.0, length);
  const strip across = make_strip(uy, -ux, -half, half);
  constexpr int BAND_ROWS = draw_device_coverage::BAND_ROWS;
  for (int row = first_row; row < end_row;) {
    const int band_end = std::min(end_row, (row / BAND_ROWS + 1) * BAND_ROWS);
    // Each strip's bounds are linear in the row, so their extremes over the band lie on its
    // first and last rows; the line's range on a row lies within both strips'.
    const double q_first = row + 0.5 - l.from.y();
    const double q_last = band_end - 0.5 - l.from.y();
    const double along_first = l.from.x() + q_first * along.slope;
    const double along_last = l.from.x() + q_last * along.slope;
    const double across_first = l.from.x() + q_first * across.slope;
    const double across_last = l.from.x() + q_last * across.slope;
    const double from = std::max(std::min(along_first, along_last) + along.lo,
                                 std::min(across_first, across_last) + across.lo);
    const double to = std::min(std::max(along_first, along_last) + along.hi,
                               std::max(across_first, across_last) + across.hi);
    if (taken(row, from, to)) {
      row = band_end;
      continue;
    }
    for (; row < band_end; ++row) {
      const double q = row + 0.5 - l.from.y();
      const double along_x = l.from.x() + q * along.slope;
      const double across_x = l.from.x() + q * across.slope;
      out(row, std::max(along_x + along.lo, across_x + across.lo),
          std::min(along_x + along.hi, across_x + across.hi));
    }
  }
}

// One pixel per step along the major axis, from the pixel holding one end to the pixel
// holding the other, both included.
template <typename Out>
void thin_line_spans(const draw_device_line& l, int columns, int rows, Out&& out) {
  const double dx = l.to.x() - l.from.x();
  const double dy = l.to.y() - l.from.y();
  if (!std::isfinite(dx) || !std::isfinite(dy)) return;
  const bool x_major = std::abs(dx) >= std::abs(dy);
  const double major_from = x_major ? l.from.x() : l.from.y();
  const double major_to = x_major ? l.to.x() : l.to.y();
  const double minor_from = x_major ? l.from.y() : l.from.x();
  const double slope = major_to != major_from ? (x_major ? dy / dx : dx / dy) : 0.0;
  const int major_limit = x_major ? columns : rows;
  const int minor_limit = x_major ? rows : columns;
  const double lo = std::min(major_from, major_to);
  const double hi = std::max(major_from, major_to);
  const int first = std::max(pixel_holding(lo, major_limit), 0);
  const int last = std::min(pixel_holding(hi, major_limit), major_limit - 1);
  for (int m = first; m <= last; ++m) {
    const double centre = std::clamp(m + 0.5, lo, hi);
    const int n = pixel_holding(minor_from + (centre - major_from) * slope, minor_limit);
    if (n < 0 || n >= minor_limit) continue;
    if (x_major) {
      out(n, m, m + 1);
    } else {
      out(m, n, n + 1);
    }
  }
}

// Four pixels per store: the compiler leaves a 32-bit fill loop unvectorised at -O2.
void fill_run(QRgb* pixels, int count, QRgb colour) {
  constexpr int CHUNK = 4;
  const std::array<QRgb, CHUNK> chunk{colour, colour, colour, colour};
  int i = 0;
  for (; i + CHUNK <= count; i += CHUNK) std::memcpy(pixels + i, chunk.data(), sizeof chunk);
  for (; i < count; ++i) pixels[i] = colour;
}

// Bits [from, from + count) of a word, count 1..64.
std::uint64_t bit_run(int from, int count) {
  const std::uint64_t ones = count == WORD_BITS ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
  return ones << from;
}

// Fills the pixels of [x0, x1) that no later line covers, and covers them.
void paint_uncovered(QRgb* pixels, std::uint64_t* covered, int x0, int x1, QRgb colour) {
  for (int x = x0; x < x1;) {
    const int word = x >> 6;  // x is never negative
    const int end = std::min(x1, (word + 1) * WORD_BITS);
    const int bit = x & (WORD_BITS - 1);
    const std::uint64_t span = bit_run(bit, end - x);
    std::uint64_t fresh = span & ~covered[word];
    // Most spans of a busy map fall on covered pixels: no store then, only a load.
    if (fresh != 0) covered[word] |= span;
    while (fresh != 0) {
      const int start = std::countr_zero(fresh);
      const int count = std::countr_one(fresh >> start);
      fill_run(pixels + word * WORD_BITS + start, count, colour);
      fresh &= ~bit_run(start, count);
    }
    x = end;
  }
}

// What every row of band number index has taken.
void refresh_band(draw_device_band& band, int index, std::span<const draw_device_run> settled) {
  const auto first = static_cast<std::size_t>(index) * draw_device_coverage::BAND_ROWS;
  const auto end = std::min(settled.size(), first + draw_device_coverage::BAND_ROWS);
  band.from_at_least = -INF;
  band.to_at_most = INF;
  for (std::size_t row = first; row < end; ++row) {
    band.from_at_least = std::max(band.from_at_least, settled[row].from_at_least);
    band.to_at_most = std::min(band.to_at_most, settled[row].to_at_most);
  }
  band.stale = false;
}

}  // namespace

// pixel_at_or_after gives at least first from any x at least first - 0.5 + 2 CEIL_SLACK, and
// at most end from any x at most end - 0.5.
draw_device_run::draw_device_run(int first_pixel, int end_pixel)
    : first(first_pixel),
      end(end_pixel),
      from_at_least(first_pixel - 0.5 + 2 * CEIL_SLACK),
      to_at_most(end_pixel - 0.5) {}

void draw_device_paint_lines(QImage& target, std::span<const draw_device_line> lines,
                             draw_device_coverage& coverage) {
  const int columns = target.width();
  const int rows = target.height();
  const auto words_per_row = static_cast<std::size_t>((columns + WORD_BITS - 1) / WORD_BITS);
  coverage.bits.assign(words_per_row * static_cast<std::size_t>(rows), 0);
  coverage.settled.assign(static_cast<std::size_t>(rows), draw_device_run(0, 0));
  constexpr int BAND_ROWS = draw_device_coverage::BAND_ROWS;
  coverage.bands.assign(static_cast<std::size_t>((rows + BAND_ROWS - 1) / BAND_ROWS), draw_device_band{});
  // Where the painter paints: the image may be being painted, and a detaching access would
  // give these rows a copy of their own.
  auto* bits = const_cast<uchar*>(target.constBits());
  const auto stride = static_cast<std::ptrdiff_t>(target.bytesPerLine());
  for (auto l = lines.rbegin(); l != lines.rend(); ++l) {
    const QRgb colour = l->colour | ~RGB_MASK;
    auto paint = [&](int row, int x0, int x1) __attribute__((always_inline)) {
      if (x0 >= x1) return;
      draw_device_run& run = coverage.settled[static_cast<std::size_t>(row)];
      if (x0 >= run.first && x1 <= run.end) return;
      paint_uncovered(reinterpret_cast<QRgb*>(bits + row * stride),
                      coverage.bits.data() + static_cast<std::size_t>(row) * words_per_row, x0, x1, colour);
      if (x0 <= run.end && x1 >= run.first) {
        run = draw_device_run(std::min(run.first, x0), std::max(run.end, x1));
      } else if (x1 - x0 > run.end - run.first) {
        run = draw_device_run(x0, x1);
      } else {
        return;
      }
      coverage.bands[static_cast<std::size_t>(row / BAND_ROWS)].stale = true;
    };
    // Most rows of a busy map fall inside the run of the row already taken: two comparisons
    // then, before any rounding to pixels.
    auto paint_range = [&](int row, double from, double to) __attribute__((always_inline)) {
      const draw_device_run& run = coverage.settled[static_cast<std::size_t>(row)];
      if (from >= run.from_at_least && to <= run.to_at_most) return;
      paint(row, pixel_at_or_after(from, columns), pixel_at_or_after(to, columns));
    };
    auto band_taken = [&](int row, double from, double to) __attribute__((always_inline)) {
      draw_device_band& band = coverage.bands[static_cast<std::size_t>(row / BAND_ROWS)];
      if (band.stale) refresh_band(band, row / BAND_ROWS, coverage.settled);
      return from >= band.from_at_least && to <= band.to_at_most;
    };
    if (l->width > 1) {
      wide_line_spans(*l, rows, band_taken, paint_range);
    } else {
      thin_line_spans(*l, columns, rows, paint);
    }
  }
}

}  // namespace nw

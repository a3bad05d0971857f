// Copy-mode lines: the pixels a wide or thin line takes at any angle, drawing order kept
// although the lines are painted together, and the lines painted before anything else.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "draw/draw.h"
#include "image_test_support.h"

namespace nw::test {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);
const QRgb RED = qRgb(255, 0, 0);
const QRgb GREEN = qRgb(0, 255, 0);
constexpr int RED_INDEX = 1, GREEN_INDEX = 2, WHITE_INDEX = 7;

// A 200 × 100 device whose world units are its pixels, y downward: world (x, y) lies in
// pixel (floor x, floor y).
class DrawLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    draw_reset();
    image.fill(BLACK);
    draw_open(&image);
    ortho2(0, 200, 100, 0);
    color(WHITE_INDEX);
  }
  void TearDown() override { draw_reset(); }

  static void line(int width, double x1, double y1, double x2, double y2) {
    linewidth(width);
    move2(x1, y1);
    draw2(x2, y2);
  }
  const QImage& painted() {
    draw_flush();
    return image;
  }

  QImage image{200, 100, QImage::Format_RGB32};
};

TEST_F(DrawLineTest, WideLinesTakeThePixelsCentredInTheirRectangleAtEveryAngle) {
  constexpr double MARGIN = 1e-3;  // centres this close to an edge may fall either way
  const QPointF a(100, 50);
  for (const int width : {2, 3, 8, 15}) {
    for (int degrees = 0; degrees < 360; degrees += 7) {
      const double radians = degrees * std::numbers::pi / 180.0;
      // The end as the device takes it, on its 1/64-pixel grid.
      const auto grid = [](double v) { return std::round(v * 64.0) / 64.0; };
      const QPointF b(grid(a.x() + 40.3 * std::cos(radians)), grid(a.y() + 40.3 * std::sin(radians)));
      const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
      const QPointF u = (b - a) / length;
      image.fill(BLACK);
      line(width, a.x(), a.y(), b.x(), b.y());
      const QImage& img = painted();
      int wrong = 0;
      for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
          const QPointF c = QPointF(x + 0.5, y + 0.5) - a;
          const double along = c.x() * u.x() + c.y() * u.y();
          const double across = std::abs(c.x() * u.y() - c.y() * u.x());
          const bool inside = along > MARGIN && along < length - MARGIN && across < width / 2.0 - MARGIN;
          const bool outside = along < -MARGIN || along > length + MARGIN || across > width / 2.0 + MARGIN;
          const bool ink = img.pixel(x, y) == WHITE;
          if ((inside && !ink) || (outside && ink)) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "width " << width << ", " << degrees << " degrees";
    }
  }
}

TEST_F(DrawLineTest, ThinLinesStepOnePixelAlongTheirLongerAxisFromEndToEnd) {
  const struct {
    double x1, y1, x2, y2;
    bool x_major;
  } cases[] = {{10.2, 10.7, 150.9, 60.1, true},   {150.9, 60.1, 10.2, 10.7, true},
               {30.5, 95.5, 60.5, 5.5, false},    {20.0, 40.0, 20.0, 40.0, true},
               {5.0, 20.0, 195.0, 20.0, true}};
  for (const auto& c : cases) {
    for (const int width : {0, 1}) {
      image.fill(BLACK);
      line(width, c.x1, c.y1, c.x2, c.y2);
      const QImage& img = painted();
      const auto [lo, hi] = std::minmax(c.x_major ? c.x1 : c.y1, c.x_major ? c.x2 : c.y2);
      const int steps = (c.x_major ? img.width() : img.height());
      int previous = -1;
      for (int m = 0; m < steps; ++m) {
        const QRect across = c.x_major ? QRect(m, 0, 1, img.height()) : QRect(0, m, img.width(), 1);
        const int count = ink_count(img, across, WHITE);
        const bool on_line = m >= static_cast<int>(lo) && m <= static_cast<int>(hi);
        ASSERT_EQ(count, on_line ? 1 : 0) << c.x1 << "," << c.y1 << " step " << m;
        if (!on_line) continue;
        const QRect ink = ink_bounds(img, across, WHITE);
        const int minor = c.x_major ? ink.top() : ink.left();
        if (previous >= 0) {
          EXPECT_LE(std::abs(minor - previous), 1) << "a gap at step " << m;
        }
        previous = minor;
      }
    }
  }
}

TEST_F(DrawLineTest, LaterLinesCoverEarlierOnesWideOrThin) {
  color(RED_INDEX);
  line(20, 20, 50, 180, 50);  // rows 40..59
  color(GREEN_INDEX);
  line(0, 100, 0, 100, 99);   // a thin line over the red one: column 100
  color(WHITE_INDEX);
  line(10, 60, 0, 60, 100);   // wide over both: columns 55..64
  color(RED_INDEX);
  line(1, 140, 10, 140, 90);  // thin red on top: column 140, red anyway across the band
  color(GREEN_INDEX);
  line(4, 138, 45, 146, 45);  // wide green over that: rows 43..46, columns 138..145
  const QImage& img = painted();
  EXPECT_EQ(img.pixel(30, 45), RED);
  EXPECT_EQ(img.pixel(100, 45), GREEN);
  EXPECT_EQ(img.pixel(100, 20), GREEN);
  EXPECT_EQ(img.pixel(60, 45), WHITE);
  EXPECT_EQ(ink_bounds(img, QRect(0, 30, 200, 1), WHITE), QRect(55, 30, 10, 1));
  EXPECT_EQ(img.pixel(140, 20), RED);
  EXPECT_EQ(img.pixel(140, 45), GREEN);
  EXPECT_EQ(img.pixel(140, 50), RED);
  EXPECT_EQ(ink_bounds(img, QRect(130, 40, 30, 20), GREEN), QRect(138, 43, 8, 4));
}

// Painted together, lines skip the rows and bands later lines have taken; painted one at a
// time nothing is skipped. A crowd of lines over one spot, as a busy map draws them, must give
// the same pixels either way.
TEST_F(DrawLineTest, LinesPaintedTogetherGiveThePixelsOfLinesPaintedOneByOne) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> x(-20, 220), y(-20, 120), near(80, 120);
  std::uniform_int_distribution<int> width(0, 24), colour_index(1, 7), spot(0, 3);
  struct drawn {
    int colour, width;
    double x1, y1, x2, y2;
  };
  std::vector<drawn> lines;
  for (int i = 0; i < 600; ++i) {
    // A quarter of the lines start at the centre, like links at a busy host.
    const bool central = spot(rng) == 0;
    lines.push_back({colour_index(rng), width(rng), central ? near(rng) : x(rng), central ? near(rng) - 50 : y(rng),
                     x(rng), y(rng)});
  }
  for (const drawn& l : lines) {
    color(l.colour);
    line(l.width, l.x1, l.y1, l.x2, l.y2);
  }
  const QImage together = painted().copy();
  image.fill(BLACK);
  for (const drawn& l : lines) {
    color(l.colour);
    line(l.width, l.x1, l.y1, l.x2, l.y2);
    draw_flush();
  }
  ASSERT_EQ(ink_count(image, image.rect(), BLACK) < image.width() * image.height(), true);
  for (int py = 0; py < image.height(); ++py) {
    for (int px = 0; px < image.width(); ++px) {
      ASSERT_EQ(together.pixel(px, py), image.pixel(px, py)) << "pixel (" << px << ", " << py << ")";
    }
  }
}

TEST_F(DrawLineTest, LinesArePaintedBeforeWhateverFollowsThem) {
  line(10, 0, 50, 200, 50);  // rows 45..54
  color(RED_INDEX);
  draw_filled_circle(100, 50, 20);  // over the line
  EXPECT_EQ(painted().pixel(100, 50), RED);
  EXPECT_EQ(painted().pixel(10, 50), WHITE);

  // Exclusive-or after copy-mode lines works on the lines.
  color(GREEN_INDEX);
  line(6, 0, 20, 200, 20);
  draw_set_mode(draw_mode::exclusive_or);
  color(WHITE_INDEX);
  draw_filled_circle(20, 20, 10);
  EXPECT_EQ(painted().pixel(20, 20), qRgb(255, 0, 255));
  draw_set_mode(draw_mode::copy);

  // Clear after a line leaves nothing of it.
  line(10, 0, 80, 200, 80);
  color(0);
  clear();
  EXPECT_EQ(ink_count(painted(), image.rect(), BLACK), image.width() * image.height());

  // A new target takes nothing of the lines drawn into the old one.
  color(WHITE_INDEX);
  line(10, 0, 80, 200, 80);
  QImage other(200, 100, QImage::Format_RGB32);
  other.fill(BLACK);
  draw_open(&other);
  draw_flush();
  EXPECT_EQ(image.pixel(100, 80), WHITE);
  EXPECT_EQ(ink_count(other, other.rect(), BLACK), other.width() * other.height());
}

TEST_F(DrawLineTest, LinesFarOutsideAreClippedAndBadCoordinatesDrawNothing) {
  line(12, -1e9, 50, 1e9, 50);      // rows 44..55 across the whole width
  line(3, 100, -1e12, 100.2, 1e12);  // nearly vertical through everything
  line(8, -5e8, -3e8, -4e8, -2e8);   // wholly outside
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  line(5, nan, 10, 50, 10);
  line(0, 10, nan, 50, 10);
  line(5, -inf, 30, inf, 30);
  line(0, 10, 70, inf, 70);
  const QImage& img = painted();
  EXPECT_EQ(ink_bounds(img, QRect(0, 40, 90, 20), WHITE), QRect(0, 44, 90, 12));
  EXPECT_EQ(ink_bounds(img, QRect(90, 0, 20, 40), WHITE), QRect(99, 0, 3, 40));
  EXPECT_EQ(ink_count(img, QRect(0, 0, 90, 40), WHITE), 0);
  EXPECT_EQ(ink_count(img, QRect(0, 60, 90, 40), WHITE), 0);
}

}  // namespace
}  // namespace nw::test

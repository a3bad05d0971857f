// The drawing library: world-to-pixel mapping, colours, the transformation stack, line widths,
// discs, exclusive-or drawing, misuse, and Hershey text that advances as text_width measures.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <string>
#include <vector>

#include "core/hfont.h"
#include "core/hutil.h"
#include "core/message.h"
#include "draw/draw.h"
#include "image_test_support.h"

namespace nw::test {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);

// A 200 × 100 device showing x -2..2 and y -1..1: 50 pixels a unit both ways, so world (x, y)
// is pixel column 50 (x + 2) and row 50 (1 - y).
class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    draw_reset();
    std::string error;
    ASSERT_EQ(hfont_load(NODEWREN_FONT_FILE, error), 1) << error;
    message_set_hook([this](const message& m) { messages.push_back(m.text); });
    image.fill(BLACK);
    draw_open(&image);
    ortho2(-2, 2, -1, 1);
    color(7);
  }
  void TearDown() override {
    draw_reset();
    hfont_reset();
    message_set_hook(nullptr);
  }

  static void line(double x1, double y1, double x2, double y2) {
    move2(x1, y1);
    draw2(x2, y2);
  }
  // What was painted, once the painter has let go of the image.
  const QImage& painted() {
    draw_flush();
    return image;
  }

  QImage image{200, 100, QImage::Format_RGB32};
  std::vector<std::string> messages;
};

TEST_F(DrawTest, WorldRectangleCoversTheDeviceWithYUpward) {
  line(-2, 1, 2, 1);          // the top edge: row 0
  line(-2, -1, -2, 1);        // the left edge: column 0
  line(-2, 0.5, 2, 0.5);      // row 25
  line(1, -1, 1, 1);          // column 150
  line(-2, -0.98, 2, -0.98);  // one pixel above the bottom edge: row 99
  const QImage& img = painted();
  for (int x : {57, 199}) {
    for (int y : {0, 25, 99}) EXPECT_EQ(img.pixel(x, y), WHITE) << x << "," << y;
    for (int y : {1, 24, 26, 98}) EXPECT_EQ(img.pixel(x, y), BLACK) << x << "," << y;
  }
  for (int y : {40, 60}) {
    EXPECT_EQ(img.pixel(0, y), WHITE) << y;
    EXPECT_EQ(img.pixel(150, y), WHITE) << y;
    for (int x : {1, 149, 151, 199}) EXPECT_EQ(img.pixel(x, y), BLACK) << x << "," << y;
  }
}

TEST_F(DrawTest, NewWorldOnASmallerDevice) {
  // The world covers the device, which may be only the image's top-left part.
  draw_set_size(100, 50);
  ortho2(0, 4, 0, 2);             // 25 pixels a unit; (2, 1) is the centre
  draw_filled_circle(2, 1, 0.2);  // 5 pixels
  draw_filled_circle(0, 2, 0.2);  // the top-left corner: a quarter disc
  draw_filled_circle(4, 0, 0.2);  // the bottom-right corner, spilling past the device
  const QImage& img = painted();
  const QRect centre = ink_bounds(img, QRect(40, 15, 20, 20), WHITE);
  EXPECT_EQ(centre.left(), 45);
  EXPECT_EQ(centre.width(), 10);
  EXPECT_NEAR(centre.center().y() + 0.5, 25.0, 1.0);
  EXPECT_EQ(ink_bounds(img, QRect(0, 0, 20, 20), WHITE), QRect(0, 0, 5, 5));
  EXPECT_EQ(img.pixel(99, 49), WHITE);
  EXPECT_EQ(img.pixel(100, 50), WHITE);
  EXPECT_EQ(ink_count(img, QRect(0, 60, 200, 40), WHITE), 0);
}

TEST_F(DrawTest, ColourIndicesBasicMappedAndUndefined) {
  const QRgb basics[] = {qRgb(0, 0, 0),   qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                         qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  for (int i = 0; i < 8; ++i) {
    color(i);
    clear();
    EXPECT_EQ(painted().pixel(10, 10), basics[i]) << i;
  }
  mapcolor(8, 1, 2, 3);
  mapcolor(40, 200, 100, 50);
  color(8);
  clear();
  color(40);
  line(-2, 0, 2, 0);
  EXPECT_EQ(painted().pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(painted().pixel(100, 50), qRgb(200, 100, 50));

  // A protocol colour never defined draws nothing at all.
  color(9);
  clear();
  line(-2, 0.5, 2, 0.5);
  draw_filled_circle(0, 0, 0.5);
  EXPECT_EQ(painted().pixel(100, 25), qRgb(1, 2, 3));
  EXPECT_EQ(painted().pixel(100, 50), qRgb(200, 100, 50));
  mapcolor(9, 10, 20, 30);
  clear();
  EXPECT_EQ(painted().pixel(5, 5), qRgb(10, 20, 30));
}

TEST_F(DrawTest, MisuseIsReportedAndIgnored) {
  ortho2(1, 1, -1, 1);
  ortho2(-1, 1, 3, 3);
  popmatrix();
  rot(30, 'x');
  color(41);  // the colour stays 7
  mapcolor(-1, 1, 1, 1);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "ortho2: left clipping plane same as right one.",
                          "ortho2: bottom clipping plane same as top one.",
                          "popmatrix: matrix stack empty",
                          "rot: illegal axis of rotation 'x'",
                          "color: colour index 41 out of range 0..40",
                          "mapcolor: colour index -1 out of range 0..40",
                      }));
  line(-2, 0.5, 2, 0.5);  // the world, transformation and colour as they were
  EXPECT_EQ(ink_bounds(painted(), image.rect(), WHITE), QRect(0, 25, 200, 1));
}

TEST_F(DrawTest, TransformationsComposeAndPopRestores) {
  pushmatrix();
  rot(90, 'z');
  translate(0.5, 0, 0);  // along the rotated x axis: world +y
  line(0, 0, 0.4, 0);    // world (0, 0.5) to (0, 0.9): column 100, rows 5..25
  pushmatrix();
  translate(0.2, 0, 0);
  popmatrix();
  line(0, -0.1, 0, -0.4);  // world (0.1, 0.5) to (0.4, 0.5): row 25, columns 105..120
  popmatrix();
  line(-1, 0, -0.5, 0);  // the identity again: row 50, columns 50..75
  const QImage& img = painted();
  EXPECT_EQ(ink_bounds(img, QRect(95, 0, 8, 24), WHITE), QRect(100, 5, 1, 19));
  EXPECT_EQ(ink_bounds(img, QRect(103, 20, 97, 10), WHITE), QRect(105, 25, 16, 1));
  EXPECT_EQ(ink_bounds(img, QRect(0, 40, 95, 20), WHITE), QRect(50, 50, 26, 1));
}

TEST_F(DrawTest, LineWidthsInPixelsAndDiscRadiiInWorldUnits) {
  const struct {
    int width;
    double y;
    int rows;
  } lines[] = {{0, 0.8, 1}, {1, 0.4, 1}, {9, 0.0, 9}, {16, -0.6, 16}};
  for (const auto& c : lines) {
    linewidth(c.width);
    line(0.5, c.y, 1.5, c.y);
  }
  draw_filled_circle(-1, 0, 0.4);       // 20 pixels
  draw_filled_circle(-0.2, 0.5, 0.0009);  // below 0.001: nothing
  draw_filled_circle(-0.2, -0.5, 0.005);  // under a pixel: one pixel
  const QImage& img = painted();
  for (const auto& c : lines)
    EXPECT_EQ(vertical_run(img, 150, static_cast<int>(std::lround(50 * (1 - c.y))), WHITE), c.rows) << c.width;
  // Qt's aliased ellipse may lose a row of its rim; the radius is what matters.
  const QRect disc = ink_bounds(img, QRect(0, 0, 80, 100), WHITE);
  EXPECT_EQ(disc.left(), 30);
  EXPECT_EQ(disc.width(), 40);
  EXPECT_NEAR(disc.height(), 40, 1);
  EXPECT_EQ(ink_count(img, QRect(80, 0, 30, 100), WHITE), 1);
}

TEST_F(DrawTest, ExclusiveOrTwiceRestoresAndOverlapsCancel) {
  // A background that is not uniform, so that a wrong raster operation shows.
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF));
  const QImage before = image.copy();
  mapcolor(12, 0x35, 0xA0, 0x5C);
  htextsize(0.3f, 0.3f);
  draw_set_mode(draw_mode::exclusive_or);
  for (int pass = 0; pass < 2; ++pass) {
    color(7);
    draw_filled_circle(0, 0, 0.7);
    color(12);
    linewidth(5);
    line(-1.8, -0.9, 1.7, 0.8);
    linewidth(1);
    move2(-1.9, 0.6);
    hcharstr("Xor Ёж");
    EXPECT_EQ(painted() == before, pass == 1) << pass;
  }

  // Two white discs: white where one lies, black where both do. Clear ignores the mode.
  color(0);
  clear();
  color(7);
  draw_filled_circle(-0.3, 0, 0.5);
  draw_filled_circle(0.3, 0, 0.5);
  EXPECT_EQ(painted().pixel(100, 50), BLACK);
  EXPECT_EQ(painted().pixel(70, 50), WHITE);
  EXPECT_EQ(painted().pixel(130, 50), WHITE);
  draw_set_mode(draw_mode::copy);  // copy paints over
  draw_filled_circle(0, 0, 0.1);
  EXPECT_EQ(painted().pixel(100, 50), WHITE);
}

TEST_F(DrawTest, TextAdvancesByItsMeasuredWidthAndInksWithinIt) {
  htextsize(0.4f, 0.4f);  // capitals 20 pixels high
  // A character the font lacks (an emoji) and a byte that is no UTF-8 measure as "A".
  for (const char* text : {"HOST-1", "Ёлка", "a\xF0\x9F\x98\x80z", "bad\xFF" "byte", ""}) {
    move2(0, -0.5);
    hcharstr(text);
    EXPECT_EQ(draw_position().x, static_cast<double>(text_width(text))) << text;
    EXPECT_EQ(draw_position().y, -0.5);
    hcharstr(text);  // from where the first ended
    EXPECT_DOUBLE_EQ(draw_position().x, 2 * static_cast<double>(text_width(text))) << text;
  }
  // Capitals stand on the baseline (row 75) and reach the capital height (row 55), inside
  // the measured width.
  image.fill(BLACK);
  move2(-1.5, -0.5);
  hcharstr("HIH");
  const QRect ink = ink_bounds(painted(), image.rect(), WHITE);
  const double width_px = static_cast<double>(text_width("HIH")) * 50;
  EXPECT_GE(ink.left(), 25);
  EXPECT_LE(ink.right(), 25 + width_px);
  EXPECT_GT(ink.width(), width_px * 0.7);
  EXPECT_EQ(ink.top(), 55);
  EXPECT_EQ(ink.bottom(), 75);
}

}  // namespace
}  // namespace nw::test

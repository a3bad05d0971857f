// The drawing library: a device-independent 2-D layer over a world rectangle, with a colour
// table, a transformation stack, lines, discs and the Hershey stroke font, painting with
// QPainter into an image the caller owns.
//
// One device, kept as module state. It is used by one thread at a time: the thread that holds
// the map's display mutex ("netwindow", map/map_view.h). Misuse is reported through the
// message hook (core/message.h) and the call is then ignored.
//
// Coordinates: world y grows upward; the world rectangle (ortho2) covers the device's pixels
// exactly, its top-left corner at the top-left corner of pixel (0, 0) and its bottom-right
// corner at the bottom-right corner of pixel (width - 1, height - 1). The current position is
// kept in the coordinates it was given and goes through the current transformation when it
// is drawn from.
#pragma once

#include <cstdint>

class QImage;

namespace nw {

// 0-7 the basic colours (0 black, 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan,
// 7 white), always defined; 8-40 defined by mapcolor, and drawing in one not yet defined
// paints nothing.
inline constexpr int DRAW_COLORS = 41;
inline constexpr int DRAW_BASIC_COLORS = 8;

enum class draw_mode {
  copy,          // the colour replaces the pixels
  exclusive_or,  // the colour is XORed into the pixels: drawing the same twice restores them
};

struct draw_point {
  double x = 0.0;
  double y = 0.0;
};

// ---- The device --------------------------------------------------------------------------

// Drawing goes into target from now on (QImage::Format_RGB32 for exclusive-or drawing); the
// device size becomes the target's size. The world rectangle, colours and size settings stay.
void draw_open(QImage* target);
// Pixel size of the drawing surface (at least 1 × 1); may differ from the target's size, and
// what falls outside the target is clipped.
void draw_set_size(int width, int height);
// Ends the painting in progress, so that the target may be read or copied. Every drawing
// operation after it starts painting again.
void draw_flush();
// Flushes and forgets the target; drawing does nothing until the next draw_open.
void draw_close();
// Back to the start-up state: no target, world -1..1 in both directions, size 1 × 1, basic
// colours only, colour 7, copy mode, identity transformation, empty stack, thin lines, text
// size 1 × 1 (tests start clean).
void draw_reset();
void draw_set_mode(draw_mode mode);

// ---- World rectangle and colours ---------------------------------------------------------

void ortho2(double left, double right, double bottom, double top);
// Current colour for lines, discs, text and clearing; an index outside 0..40 is refused.
void color(int index);
void mapcolor(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
// Fills the whole device area with the current colour, in copy mode whatever the drawing mode.
void clear();

// ---- Transformations ----------------------------------------------------------------------
// Both modify the current transformation in its own coordinates, as in the stroke order of
// the map's labels: rot, then translate, moves along the rotated axis.

void pushmatrix();
void popmatrix();
void translate(double x, double y, double z);
// Counter-clockwise for positive degrees about axis 'z' (or 'Z'), the only axis of a plane.
void rot(double degrees, char axis);

// ---- Lines and discs -----------------------------------------------------------------------

void move(double x, double y, double z);
void move2(double x, double y);
// A straight line from the current position, which then moves to (x, y).
void draw2(double x, double y);
// Width in pixels of the lines and strokes that follow; 1 and less draw thin lines.
void linewidth(int pixels);
// A disc of radius r in world units, in the current colour; none when r is below 0.001.
void draw_filled_circle(double x, double y, double r);
[[nodiscard]] draw_point draw_position();

// ---- Hershey text (font from core/hfont.h) -------------------------------------------------

// Character size in world units; text_width (core/hutil.h) measures at the same size.
void htextsize(float width, float height);
// Strokes UTF-8 text from the current position along the current x axis, the baseline through
// the position, and advances the position by exactly text_width(text). A character the font
// lacks leaves a blank as wide as "A".
void hcharstr(const char* text);

}  // namespace nw

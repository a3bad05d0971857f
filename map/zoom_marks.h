// The zoom box's picture of the host marks: each map redraw marks every host it draws, and
// after each map paint the marks become the picture the zoom box shows.
//
// Guarded by the map's display mutex ("netwindow", map/map_view.h): the capture thread marks
// during the redraw, the window thread refreshes and reads the picture while it paints.
#pragma once

#include <QRectF>

class QImage;

namespace nw {

// Where a host at world (x, y) with disc radius r is marked in a picture of width × height
// pixels: the world's -1.3..1.3 square spread over the picture, y up, the diameter at least
// 2 pixels.
[[nodiscard]] QRectF zoom_mark_rect(double x, double y, double r, int width, int height);

// New mark and shown pictures of this size, black (the zoom box's size change). A size of
// 0 in either direction leaves no pictures, and marking does nothing.
void zoom_marks_resize(int width, int height);
// A white disc for one host in the mark picture.
void zoom_mark_host(double x, double y, double r);
// Ends the marking in progress (the end of a redraw).
void zoom_marks_flush();
// The mark picture becomes the shown picture and is cleared for the next redraw.
void zoom_marks_refresh();
[[nodiscard]] const QImage& zoom_marks_shown();
// No pictures (tests start clean).
void zoom_marks_reset();

}  // namespace nw

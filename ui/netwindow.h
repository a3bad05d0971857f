// The map window ("Network"): shows the picture the capture thread draws off-screen, copying it
// under the display mutex on paint; follows its size with the map's world; takes zooms (1026)
// and label rescales (1027) from the other windows and applies them on its next paint.
//
// One map window at a time: it owns the map's off-screen picture (map/map_view.h). The main
// window creates it (initial size 200 × 200), places it, tells it the zoom box, and hangs
// netwindow_redrawer on the capture thread's pass hooks.
//
// Locks: model lock before display mutex, everywhere. The paint takes the model lock only when
// labels are to be rescaled (the rescale walks the hosts).
#pragma once

#include <QFrame>

#include <functional>

#include "map/map_messages.h"

namespace nw {

struct net;

class netwindow : public QFrame {
 public:
  explicit netwindow(QWidget* parent = nullptr);
  ~netwindow() override;
  netwindow(const netwindow&) = delete;
  netwindow& operator=(const netwindow&) = delete;

  // The zoom box: it is posted the aspect value (1025) on every size change, and `painted`
  // runs after each paint. A paint after a redraw has made the hosts marked during the redraw
  // the zoom box's shown picture (zoom_marks_refresh): `painted` only has the box repaint.
  void set_zoom_box(QObject* zoom_box, std::function<void()> painted);

 protected:
  // Messages 1026 and 1027.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QObject* zoom_box_ = nullptr;
  std::function<void()> painted_;
  // Window-thread state: set by the messages, applied and cleared by the next paint.
  bool zoom_pending_ = false;
  bool rescale_pending_ = false;
  zoom_rect zoom_;
};

// The capture thread's redraw after each pass, called with the model lock held: draws the map
// under the display mutex, then posts the window a repaint, never waiting for it. The window
// must outlive the capture thread.
[[nodiscard]] std::function<void(net&)> netwindow_redrawer(netwindow* window);

}  // namespace nw

// The map window: its size changes (the aspect to the zoom box, suspension at zero size), the
// capture thread's redraw with the repaint it posts, zooms and rescales applied on the next
// paint, the zoom box's marks, and the lock order between the two threads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/hfont.h"
#include "draw/draw.h"
#include "image_test_support.h"
#include "map_test_support.h"
#include "map/map_settings.h"
#include "map/map_view.h"
#include "map/palette.h"
#include "map/zoom_marks.h"
#include "model_test_support.h"
#include "ui/netwindow.h"
#include "ui_test_support.h"

namespace nw::test {
namespace {

const QRgb WHITE = qRgb(255, 255, 255);

// Stands in for the zoom box: keeps the aspect values it is posted.
class zoom_box_stand_in : public QObject {
 public:
  std::vector<int> aspects;
  int paints = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != MAP_MSG_ASPECT) return QObject::event(event);
    aspects.push_back(static_cast<map_aspect_event*>(event)->aspect());
    return true;
  }
};

class NetwindowTest : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    ASSERT_NO_FATAL_FAILURE(map_modules_reset_with_font());
    palette_apply(palette_defaults());
    set_font_size(0.5f);
    net_set_current(network);
    zoom_marks_resize(130, 130);
    window = std::make_unique<netwindow>();
    window->set_zoom_box(&box, [this] { ++box.paints; });
    window->show();
    resize_client(520, 260);
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    zoom_marks_reset();
    draw_reset();
    hfont_reset();
    model_test::TearDown();
  }

  void resize_client(int width, int height) {
    const int edge = 2 * window->frameWidth();
    window->resize(width + edge, height + edge);
    QCoreApplication::sendPostedEvents(&box);
  }
  node& host(std::uint8_t last, const char* name, double kib) {
    model_lock lock;
    node& h = *node_create(*network, mac_of(last));
    label_set(h.local_label, name);
    hold_means(network->host_averages, h.number, 0, kib * 1024);
    h.active = 1;
    return h;
  }
  // One capture pass's redraw, on a thread of its own as the capture thread runs it.
  void redraw_on_capture_thread() {
    const auto redraw = netwindow_redrawer(window.get());
    std::thread capture([&] {
      model_lock lock;
      redraw(*network);
    });
    capture.join();
  }
  // The window's client area as it appears.
  QImage shown() {
    const QImage whole = window->grab().toImage();
    return whole.copy(window->contentsRect()).convertToFormat(QImage::Format_RGB32);
  }

  zoom_box_stand_in box;
  std::unique_ptr<netwindow> window;
};

TEST_F(NetwindowTest, SizeChangesSendTheAspectAndZeroSizeSuspends) {
  EXPECT_EQ(box.aspects.back(), 200);
  resize_client(300, 600);
  EXPECT_EQ(box.aspects.back(), 50);
  EXPECT_NEAR(map_current_world().top, 2.6, 1e-12);

  const std::size_t sent = box.aspects.size();
  resize_client(0, 600);
  EXPECT_TRUE(map_suspended());
  EXPECT_EQ(box.aspects.size(), sent);  // no aspect for a window with no width
  host(1, "alpha", 10);
  redraw_on_capture_thread();
  EXPECT_EQ(network->host_list[0]->active, 1) << "nothing drawn while suspended";

  resize_client(400, 0);
  EXPECT_TRUE(map_suspended());
  resize_client(400, 400);
  EXPECT_FALSE(map_suspended());
  EXPECT_EQ(box.aspects.size(), sent + 1);
  EXPECT_EQ(box.aspects.back(), 100);
}

TEST_F(NetwindowTest, TheRedrawPostsARepaintThatShowsThePicture) {
  const node& h = host(1, "alpha", 10);  // alone: at (0.8, 0), column 340, row 130
  const int paints = box.paints;
  redraw_on_capture_thread();
  EXPECT_EQ(h.active, 0);  // drawn
  EXPECT_EQ(box.paints, paints);  // posted, not painted yet
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_GT(box.paints, paints);
  EXPECT_EQ(shown().pixel(340, 130), WHITE);
  EXPECT_EQ(zoom_marks_shown().pixel(105, 65), WHITE) << "the zoom box got the host's mark";
}

TEST_F(NetwindowTest, APaintWithoutRedrawKeepsTheZoomBoxMarks) {
  host(1, "alpha", 10);
  redraw_on_capture_thread();
  (void)shown();
  ASSERT_EQ(zoom_marks_shown().pixel(105, 65), WHITE);
  (void)shown();  // an expose, a zoom: no new picture, the marks stay
  EXPECT_EQ(zoom_marks_shown().pixel(105, 65), WHITE);
}

TEST_F(NetwindowTest, ZoomAndRescaleWaitForTheNextPaint) {
  const node& h = host(1, "alpha", 10);
  QCoreApplication::postEvent(window.get(), new map_zoom_event({50, 30, 100, 70}));
  QCoreApplication::postEvent(window.get(), new map_rescale_event());
  set_font_size(1.5f);
  QCoreApplication::sendPostedEvents(window.get());
  EXPECT_NEAR(map_current_world().left, -2.6, 1e-12);  // not yet
  EXPECT_FLOAT_EQ(h.local_label.height, 0.03f);
  (void)shown();
  const map_world zoomed = map_current_world();
  EXPECT_NEAR(zoomed.left, 0.0, 1e-12);
  EXPECT_NEAR(zoomed.right, 1.3, 1e-12);
  EXPECT_NEAR(zoomed.bottom, -0.52, 1e-12);
  EXPECT_NEAR(zoomed.top, 0.52, 1e-12);
  EXPECT_FLOAT_EQ(h.local_label.height, 0.09f);
  EXPECT_FLOAT_EQ(h.mac_label.height, 0.09f);
  // The next size change brings the whole map back.
  resize_client(600, 300);
  EXPECT_NEAR(map_current_world().left, -2.6, 1e-12);
}

// The capture thread holds the model lock and takes the display mutex; a paint that rescales
// must take them in the same order, or the two threads stop each other for good.
TEST_F(NetwindowTest, RedrawsAndRescalingPaintsRunSideBySide) {
  for (std::uint8_t i = 1; i <= 12; ++i) host(i, "station", i);
  const auto redraw = netwindow_redrawer(window.get());
  std::atomic<bool> done{false};
  std::thread capture([&] {
    for (int pass = 0; pass < 200; ++pass) {
      model_lock lock;
      for (const auto& h : network->host_list) h->active = 1;
      redraw(*network);
    }
    done = true;
  });
  int paints = 0;
  while (!done || paints < 50) {
    QCoreApplication::postEvent(window.get(), new map_rescale_event());
    QCoreApplication::sendPostedEvents(window.get());
    (void)shown();
    ++paints;
  }
  capture.join();
  QCoreApplication::processEvents();
  EXPECT_GE(paints, 50);
}

TEST_F(NetwindowTest, AnOfficeOnTheMap) {
  const char* stations[] = {"router", "files", "mail", "intranet", "printer-2", "reception", "cad-1", "laptop-7"};
  std::vector<node*> hosts;
  for (std::uint8_t i = 0; i < std::size(stations); ++i) hosts.push_back(&host(static_cast<std::uint8_t>(i + 1), stations[i], 20.0 + 30 * i));
  {
    model_lock lock;
    for (std::size_t i = 1; i < hosts.size(); ++i) {
      link& l = *link_create(*hosts[0], *hosts[i]);
      hold_means(network->link_averages, l.number, 0, 1024.0 * 4 * static_cast<double>(i));
      l.active = 1;
      l.focus_color = static_cast<std::int8_t>(i % 5);
    }
  }
  redraw_on_capture_thread();
  QCoreApplication::processEvents();
  const QImage picture = shown();
  EXPECT_GT(ink_count(picture, picture.rect(), WHITE), 500);
  ui_save_shot(*window, "ui_map_window");
}

}  // namespace
}  // namespace nw::test

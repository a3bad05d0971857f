// The map window.
#include "ui/netwindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <mutex>
#include <optional>

#include "map/display.h"
#include "map/map_view.h"
#include "map/zoom_marks.h"
#include "model/model_config.h"
#include "model/net.h"
#include "ui/ui_message.h"

namespace nw {
namespace {

constexpr const char* WINDOW = "Network";
constexpr int INITIAL_SIZE = 200;

// Whether the map was drawn since the last paint. Guarded by the display mutex. The zoom box's
// marks are taken over only then: a paint with no redraw before it (an expose, a zoom) would
// take over no marks and leave the zoom box black until the next pass.
bool g_redrawn = false;

// As large as the window can grow on one screen; a larger window grows the picture itself.
QSize picture_size() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->size() : QSize(INITIAL_SIZE, INITIAL_SIZE);
}

}  // namespace

netwindow::netwindow(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel
  setCursor(Qt::ArrowCursor);
  {
    const QSize size = picture_size();
    std::lock_guard display(map_display_mutex());
    map_open(size.width(), size.height());
    g_redrawn = false;
  }
  resize(INITIAL_SIZE, INITIAL_SIZE);
}

netwindow::~netwindow() {
  std::lock_guard display(map_display_mutex());
  map_close();
}

void netwindow::set_zoom_box(QObject* zoom_box, std::function<void()> painted) {
  zoom_box_ = zoom_box;
  painted_ = std::move(painted);
}

bool netwindow::event(QEvent* event) {
  if (!ui_is_message(event->type())) return QFrame::event(event);
  switch (static_cast<int>(event->type())) {
    case MAP_MSG_ZOOM: {
      const auto* zoom = dynamic_cast<const map_zoom_event*>(event);
      if (zoom == nullptr) ui_message_unknown(WINDOW, *event);
      zoom_ = zoom->rect();
      zoom_pending_ = true;
      break;
    }
    case MAP_MSG_RESCALE:
      rescale_pending_ = true;
      break;
    default:
      ui_message_unknown(WINDOW, *event);
  }
  update();
  return true;
}

// The capture thread may be drawing: the device and the world change only under the mutex.
void netwindow::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  const QSize client = contentsRect().size();
  int aspect = -1;
  {
    std::lock_guard display(map_display_mutex());
    aspect = map_resize(client.width(), client.height());
  }
  if (aspect >= 0 && zoom_box_ != nullptr) QCoreApplication::postEvent(zoom_box_, new map_aspect_event(aspect));
}

void netwindow::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the sunken edge
  // Rescaling walks the hosts: the model lock first, as the capture thread takes them.
  std::optional<model_lock> model;
  if (rescale_pending_) model.emplace();
  {
    std::lock_guard display(map_display_mutex());
    const QRect client = contentsRect();
    QPainter painter(this);
    painter.drawImage(client.topLeft(), map_image(), QRect(QPoint(0, 0), client.size()));
    if (rescale_pending_) {
      rescale_pending_ = false;
      if (net* network = net_current()) rescale_labels(*network);
    }
    if (zoom_pending_) {
      zoom_pending_ = false;
      map_zoom(zoom_);
    }
    if (g_redrawn) zoom_marks_refresh();
    g_redrawn = false;
  }
  model.reset();
  if (painted_) painted_();
}

std::function<void(net&)> netwindow_redrawer(netwindow* window) {
  return [window](net& network) {
    {
      std::lock_guard display(map_display_mutex());
      map_draw(network);
      g_redrawn = g_redrawn || !map_suspended();
    }
    QMetaObject::invokeMethod(window, [window] { window->update(); }, Qt::QueuedConnection);
  };
}

}  // namespace nw

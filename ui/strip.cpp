// The load strip's chart window.
#include "ui/strip.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

#include "model/model_config.h"
#include "ui/strip_messages.h"
#include "ui/ui_message.h"

namespace nw {
namespace {

constexpr const char* WINDOW = "Strip";

}  // namespace

strip::strip(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setAttribute(Qt::WA_OpaquePaintEvent);
  chart_.set_band_color(palette().color(QPalette::Window));
  sample_timer_.start(SAMPLE_MS, this);
  minute_timer_.start(MINUTE_MS, this);
  // The first sample comes at once rather than a second late; it needs the layout the first
  // size change makes, which comes before any posted call.
  QMetaObject::invokeMethod(this, [this] { sample_tick(); }, Qt::QueuedConnection);
}

std::uint32_t strip::take_value() {
  if (value_ == nullptr) return 0;
  model_lock lock;
  const std::int32_t value = *value_;
  if (reset_after_read_) *value_ = 0;
  return static_cast<std::uint32_t>(std::max(value, 0));
}

void strip::sample_tick() {
  const std::uint32_t value = take_value();
  if (chart_.sample(value, QTime::currentTime())) update();
}

void strip::minute_tick() {
  if (chart_.minute(QTime::currentTime())) update();
}

bool strip::event(QEvent* event) {
  if (!ui_is_message(event->type())) return QFrame::event(event);
  switch (static_cast<int>(event->type())) {
    case STRIP_MSG_VALUE:
      value_ = ui_message_value<std::int32_t*>(WINDOW, *event);
      break;
    case STRIP_MSG_FONTS: {
      const strip_fonts& fonts = ui_message_value<strip_fonts>(WINDOW, *event);
      chart_.set_fonts(fonts.plot ? &*fonts.plot : nullptr, fonts.label ? &*fonts.label : nullptr);
      break;
    }
    case STRIP_MSG_FORMAT:
      chart_.set_format(ui_message_value<QString>(WINDOW, *event));
      break;
    case STRIP_MSG_MARGIN:
      chart_.set_margin(ui_message_value<int>(WINDOW, *event));
      break;
    case STRIP_MSG_RESET:
      reset_after_read_ = ui_message_value<int>(WINDOW, *event) == 1;
      break;
    default:
      ui_message_unknown(WINDOW, *event);
  }
  update();
  return true;
}

void strip::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  chart_.set_band_color(palette().color(QPalette::Window));
  chart_.layout(contentsRect().size());
}

void strip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the sunken edge
  QPainter painter(this);
  const QRect client = contentsRect();
  if (chart_.ready()) {
    painter.drawImage(client.topLeft(), chart_.shown());
  } else {
    painter.fillRect(client, palette().color(QPalette::Window));
  }
}

void strip::timerEvent(QTimerEvent* event) {
  if (event->timerId() == sample_timer_.timerId()) {
    sample_tick();
  } else if (event->timerId() == minute_timer_.timerId()) {
    minute_tick();
  } else {
    QFrame::timerEvent(event);
  }
}

}  // namespace nw

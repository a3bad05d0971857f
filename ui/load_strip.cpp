// The load strip's frame: its group box, and the hand-on of messages to the chart window.
#include "ui/load_strip.h"

#include <QFontMetrics>
#include <QGroupBox>

#include "core/str_cache.h"
#include "ui/strip.h"
#include "ui/ui_font.h"
#include "ui/ui_message.h"

namespace nw {
namespace {

constexpr const char* WINDOW = "LOAD";
constexpr std::uint32_t STR_NETWORK_LOAD = 50570;  // "Network Load"

// The chart's message for one of the frame's: the payload goes on unchanged.
template <class T>
void hand_on(QObject* chart, int number, const QEvent& event) {
  ui_message_send(chart, number, ui_message_value<T>(WINDOW, event));
}

}  // namespace

load_strip::load_strip(QWidget* parent)
    : QWidget(parent), box_(new QGroupBox(QString::fromUtf8(str_text(STR_NETWORK_LOAD)), this)), strip_(new strip(this)) {
  box_->setFont(ui_font(12, true));
  strip_->raise();
  resize(300, 120);
}

void load_strip::place_children() {
  box_->setGeometry(rect());
  // Inside the box's frame and under its caption.
  const int top = QFontMetrics(box_->font()).height() + border_;
  strip_->setGeometry(border_, top, width() - 2 * border_, height() - top - border_);
}

void load_strip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  place_children();
}

bool load_strip::event(QEvent* event) {
  if (!ui_is_message(event->type())) return QWidget::event(event);
  switch (static_cast<int>(event->type())) {
    case LOAD_MSG_BORDER:
      border_ = ui_message_value<int>(WINDOW, *event);
      place_children();
      break;
    case LOAD_MSG_VALUE:
      hand_on<std::int32_t*>(strip_, STRIP_MSG_VALUE, *event);
      break;
    case LOAD_MSG_FONTS:
      hand_on<strip_fonts>(strip_, STRIP_MSG_FONTS, *event);
      break;
    case LOAD_MSG_LABEL: {
      const strip_caption& label = ui_message_value<strip_caption>(WINDOW, *event);
      box_->setTitle(label.caption);
      ui_message_send(strip_, STRIP_MSG_FORMAT, label.format);
      break;
    }
    case LOAD_MSG_MARGIN:
      hand_on<int>(strip_, STRIP_MSG_MARGIN, *event);
      break;
    case LOAD_MSG_RESET:
      hand_on<int>(strip_, STRIP_MSG_RESET, *event);
      break;
    default:
      ui_message_unknown(WINDOW, *event);
  }
  return true;
}

void load_strip_plot(QWidget* load, std::int32_t* value) { ui_message_send(load, LOAD_MSG_VALUE, value); }
void load_strip_fonts(QWidget* load, const strip_fonts& fonts) { ui_message_send(load, LOAD_MSG_FONTS, fonts); }
void load_strip_label(QWidget* load, const strip_caption& label) { ui_message_send(load, LOAD_MSG_LABEL, label); }
void load_strip_margin(QWidget* load, int margin) { ui_message_send(load, LOAD_MSG_MARGIN, margin); }
void load_strip_reset(QWidget* load, int flag) { ui_message_send(load, LOAD_MSG_RESET, flag); }
void load_strip_border(QWidget* load, int border) { ui_message_send(load, LOAD_MSG_BORDER, border); }

}  // namespace nw

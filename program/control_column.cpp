// The control column.
#include "program/control_column.h"

#include <QGroupBox>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include "core/str_cache.h"
#include "model/model_config.h"
#include "model/net.h"
#include "ui/load_strip.h"
#include "ui/stats_panel.h"
#include "ui/ui_font.h"
#include "ui/ui_message.h"

namespace nw {
namespace {

constexpr const char* WINDOW = "Panel";
constexpr int CONTENT_WIDTH = 310;   // the protocol key's right edge
constexpr int CONTENT_HEIGHT = 670;  // the output window's bottom edge

// A window not built yet has a frame in its place, with a caption where the window has one.
struct place_def {
  panel_child which;
  QRect rect;
  const char* pending;  // the frame's name; nullptr for a window that is built
  std::uint32_t caption;
};

constexpr std::uint32_t STR_CONTROLS = 50346;      // "Управление"
constexpr std::uint32_t STR_PROTOCOL_KEY = 50674;  // "Protocol Key"
constexpr std::uint32_t STR_ZOOM_BOX = 50952;      // "MOHИTOP"

const place_def places[PANEL_CHILDREN] = {
    {panel_child::load, QRect(0, 0, 300, 120), nullptr, 0},
    {panel_child::controls, QRect(0, 120, 145, 235), "controls", STR_CONTROLS},
    {panel_child::protocol_key, QRect(145, 120, 165, 305), "protocol key", STR_PROTOCOL_KEY},
    {panel_child::zoom_box, QRect(0, 355, 145, 145), "ZoomBox", STR_ZOOM_BOX},
    {panel_child::stats, QRect(145, 425, 165, 97), nullptr, 0},
    {panel_child::output, QRect(5, 505, 290, 165), "OutputTab", 0},
};

std::size_t index_of(panel_child which) { return static_cast<std::size_t>(which); }

QWidget* pending_place(QWidget* parent, const place_def& place) {
  auto* frame = new QGroupBox(QString::fromUtf8(str_text(place.caption)), parent);
  frame->setObjectName(QString::fromLatin1(place.pending));
  frame->setEnabled(false);
  return frame;
}

}  // namespace

control_column::control_column(QWidget* parent, std::int64_t start_time)
    : QFrame(parent),
      viewport_(new QWidget(this)),
      content_(new QWidget(viewport_)),
      scroll_bar_(new QScrollBar(Qt::Vertical, this)) {
  setObjectName(QString::fromLatin1(WINDOW));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setBackgroundRole(QPalette::Button);  // the menu colour of the original column
  setAutoFillBackground(true);
  content_->resize(CONTENT_WIDTH, CONTENT_HEIGHT);

  auto* load = new load_strip(content_);
  children_[index_of(panel_child::load)] = load;
  follow_current_net();
  load_strip_fonts(load, strip_fonts{ui_font(13, true, true), ui_font(12)});
  load_strip_reset(load, 0);

  children_[index_of(panel_child::stats)] = new stats_panel(content_, STATS_MSG_UPDATE, start_time);
  for (const place_def& p : places) {
    if (p.pending != nullptr) children_[index_of(p.which)] = pending_place(content_, p);
    children_[index_of(p.which)]->setGeometry(p.rect);
  }

  scroll_bar_->setRange(0, PANEL_SCROLL_MAX);
  scroll_bar_->setSingleStep(1);
  scroll_bar_->setPageStep(1);
  scroll_bar_->setValue(0);
  connect(scroll_bar_, &QScrollBar::valueChanged, this, [this](int value) { scrolled(value); });
}

QWidget& control_column::child(panel_child which) const { return *children_[index_of(which)]; }

load_strip& control_column::load() const { return static_cast<load_strip&>(child(panel_child::load)); }

stats_panel& control_column::stats() const { return static_cast<stats_panel&>(child(panel_child::stats)); }

int control_column::content_offset() const { return -content_->y(); }

void control_column::follow_current_net() {
  net* network = nullptr;
  {
    model_lock lock;
    network = net_current();
  }
  load_strip_plot(&load(), network != nullptr ? &network->load : nullptr);
}

bool control_column::event(QEvent* event) {
  if (static_cast<int>(event->type()) == PANEL_MSG_FOLLOW_NET) {
    follow_current_net();
    return true;
  }
  if (ui_is_message(event->type())) ui_message_unknown(WINDOW, *event);
  return QFrame::event(event);
}

void control_column::place_content() { content_->move(0, -panel_scroll_offset(scroll_)); }

void control_column::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  const QRect client = contentsRect();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_bar_);
  viewport_->setGeometry(client.x(), client.y(), client.width() - bar, client.height());
  scroll_bar_->setGeometry(client.right() + 1 - bar, client.y(), bar, client.height());
  panel_scroll_resize(scroll_, client.height());
  place_content();
  scroll_bar_->setValue(scroll_.position);
  scroll_bar_->setEnabled(panel_scroll_enabled(client.height()));
}

// Line, page and thumb moves all arrive as the bar's new value: the change is the difference.
void control_column::scrolled(int value) {
  if (panel_scroll_by(scroll_, value - scroll_.position) == 0) return;
  place_content();
  scroll_bar_->setValue(scroll_.position);
}

}  // namespace nw

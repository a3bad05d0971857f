// The statistics panel and its figures window.
#include "ui/stats_panel.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPainter>

#include <ctime>

#include "core/str_cache.h"
#include "model/model_config.h"
#include "model/net.h"
#include "ui/ui_font.h"
#include "ui/ui_message.h"

namespace nw {
namespace {

constexpr const char* WINDOW = "estat";
constexpr std::uint32_t STR_STATISTICS = 50458;  // "Статистика"
constexpr int VALUE_GAP = 5;                     // between a label's end and its value

stats_figures take_figures(load_sampler& sampler, net& network, std::int64_t start_time) {
  model_lock lock;
  load_sample(sampler, network);
  return {static_cast<std::int64_t>(std::time(nullptr)) - start_time,
          sampler.mean,
          sampler.peak,
          network.pkts_sec2,
          network.bytes_sec2,
          network.dropped};
}

}  // namespace

stats_view::stats_view(QWidget* parent) : QWidget(parent), font_(ui_font(13)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void stats_view::show_figures(const stats_figures& figures) {
  values_ = stats_text_values(figures);
  shown_ = true;
  draw();
  update();
}

// Labels end at half the width, values start just after; the whole picture is drawn anew, so
// a shorter value never leaves the end of a longer one behind.
void stats_view::draw() {
  if (picture_.isNull()) return;
  picture_.fill(palette().color(QPalette::Window));
  QPainter painter(&picture_);
  painter.setFont(font_);
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics(font_);
  const int line = metrics.lineSpacing();  // height plus external leading
  const int half = picture_.width() / 2;
  for (std::size_t i = 0; i < STATS_LINES; ++i) {
    const int top = static_cast<int>(i) * line;
    const QString label = QString::fromUtf8(str_text(STATS_LABELS[i]));
    painter.drawText(QRect(0, top, half, line), Qt::AlignRight | Qt::AlignTop, label);
    if (shown_) {
      painter.drawText(QRect(half + VALUE_GAP, top, picture_.width(), line), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromStdString(values_[i]));
    }
  }
}

void stats_view::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  picture_ = size().isEmpty() ? QImage() : QImage(size(), QImage::Format_RGB32);
  draw();
}

void stats_view::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

stats_panel::stats_panel(QWidget* parent, int update_message, std::int64_t start_time)
    : QWidget(parent),
      message_(update_message),
      start_time_(start_time),
      box_(new QGroupBox(QString::fromUtf8(str_text(STR_STATISTICS)), this)),
      view_(new stats_view(this)) {
  box_->setFont(ui_font(12, true));
  view_->raise();
}

void stats_panel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  box_->setGeometry(5, 0, width() - 20, height());
  view_->setGeometry(10, 15, width() - 30, height() - 18);
}

bool stats_panel::event(QEvent* event) {
  if (!ui_is_message(event->type())) return QWidget::event(event);
  if (event->type() != message_) ui_message_unknown(WINDOW, *event);
  net* network = ui_message_value<net*>(WINDOW, *event);
  if (network != nullptr) update_from(*network);
  return true;
}

void stats_panel::update_from(net& network) {
  view_->show_figures(take_figures(sampler_, network, start_time_));
}

std::function<void(net&)> stats_panel_poster(stats_panel* panel) {
  return [panel, number = panel->update_message()](net& network) {
    QCoreApplication::postEvent(panel, new ui_message<net*>(number, &network));
  };
}

}  // namespace nw

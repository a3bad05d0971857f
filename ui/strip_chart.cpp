// The load strip chart's plot, band and label.
#include "ui/strip_chart.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>

#include "core/str_cache.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_LOAD_FORMAT = 50476;  // "Load: %d%%"

// The grid marks 10, 20 and 30 percent: rows H × 30/40, H × 20/40, H × 10/40 from the top.
std::array<int, 3> grid_rows(int plot_height) {
  return {plot_height * 10 / strip_chart::FULL_SCALE, plot_height * 20 / strip_chart::FULL_SCALE,
          plot_height * 30 / strip_chart::FULL_SCALE};
}

bool is_value_conversion(QChar c) { return c == u'd' || c == u'i' || c == u'u'; }

}  // namespace

strip_marker strip_marker_for(QTime now) {
  const int s = now.second();
  const QTime minute(now.hour(), now.minute(), 0);
  if (s <= 30) return {-s, minute};
  // QTime wraps past midnight by itself: 23:59 + 1 minute is 00:00.
  return {60 - s, minute.addSecs(60)};
}

QString strip_label_text(const QString& format, std::uint32_t value) {
  QString text;
  bool placed = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    const QChar next = i + 1 < format.size() ? format[i + 1] : QChar();
    if (c == u'%' && next == u'%') {
      text += u'%';
      ++i;
    } else if (c == u'%' && !placed && is_value_conversion(next)) {
      text += QString::number(value);
      placed = true;
      ++i;
    } else {
      text += c;
    }
  }
  return text;
}

strip_chart::strip_chart()
    : format_(QString::fromUtf8(str_text(STR_LOAD_FORMAT))),
      band_(Qt::lightGray),
      text_height_(QFontMetrics(plot_font_).height()) {}

void strip_chart::set_fonts(const QFont* plot, const QFont* label) {
  if (plot != nullptr) plot_font_ = *plot;
  if (label != nullptr) label_font_ = *label;
  text_height_ = QFontMetrics(plot_font_).height();
  relayout();
}

void strip_chart::set_format(const QString& format) { format_ = format; }

void strip_chart::set_margin(int margin) {
  margin_ = std::max(margin, 0);
  relayout();
}

void strip_chart::set_band_color(const QColor& color) { band_ = color; }

void strip_chart::relayout() {
  if (ready()) layout(client_);
}

void strip_chart::layout(QSize client) {
  if (client.width() <= 0 || client.height() <= 0) return;
  client_ = client;
  plot_height_ = std::max(client.height() - (text_height_ + margin_), 0);
  plot_ = QImage(client.width() + HIDDEN, client.height(), QImage::Format_RGB32);
  for (int x = 0; x < plot_.width(); ++x) fill_column(x);
  label_ = QImage(LABEL_WIDTH, LABEL_HEIGHT, QImage::Format_RGB32);
  draw_label(0);
}

// One column of an empty chart: white plot with the grid's dots, the band below.
void strip_chart::fill_column(int x) {
  const QRgb white = qRgb(255, 255, 255), grid = GRID.rgb(), band = band_.rgb();
  for (int y = 0; y < plot_.height(); ++y) plot_.setPixel(x, y, y < plot_height_ ? white : band);
  for (const int y : grid_rows(plot_height_)) {
    if (y < plot_height_) plot_.setPixel(x, y, grid);
  }
}

void strip_chart::draw_label(std::uint32_t value) {
  label_text_ = strip_label_text(format_, value);
  label_.fill(Qt::white);
  QPainter painter(&label_);
  painter.setFont(label_font_);
  painter.setPen(INK);
  painter.drawText(label_.rect(), Qt::AlignLeft | Qt::AlignTop, label_text_);
}

// History moves left; the column coming free is a fresh one, so that the grid runs on and a
// marker tick in the last column is not smeared along the band.
void strip_chart::scroll() {
  const auto row_bytes = static_cast<std::size_t>(plot_.width() - 1) * sizeof(QRgb);
  for (int y = 0; y < plot_.height(); ++y) {
    uchar* row = plot_.scanLine(y);
    std::memmove(row, row + sizeof(QRgb), row_bytes);
  }
  fill_column(plot_.width() - 1);
}

bool strip_chart::sample(std::uint32_t value, QTime now) {
  if (!ready()) return false;
  ++ticks_;
  // 64 bits: a wild value times the plot height must not wrap into a short bar.
  const auto bar = static_cast<int>(
      std::min<std::uint64_t>(std::uint64_t{value} * static_cast<std::uint64_t>(plot_height_) / FULL_SCALE,
                              static_cast<std::uint64_t>(plot_height_)));
  draw_label(value);
  scroll();
  if (bar > 0) {
    QPainter painter(&plot_);
    painter.fillRect(client_.width() - 1, plot_height_ - bar, 1, bar, INK);
  }
  if (ticks_ >= MARKER_OVERDUE) minute(now);
  return true;
}

bool strip_chart::minute(QTime now) {
  if (!ready() || ticks_ < MARKER_SPACING) return false;
  const strip_marker marker = strip_marker_for(now);
  const int x = client_.width() - 1 + marker.offset;
  const QString text = QString::asprintf("%02d:%02d:%02d ", marker.time.hour(), marker.time.minute(), 0);
  QPainter painter(&plot_);
  painter.setFont(plot_font_);
  const int width = QFontMetrics(plot_font_).horizontalAdvance(text);
  const QRect place(x - width / 2, plot_height_ + margin_, width, text_height_);
  // An earlier label under this one is painted over, not mixed with it.
  painter.fillRect(place, band_);
  painter.setPen(INK);
  painter.drawText(place, Qt::AlignLeft | Qt::AlignTop, text);
  painter.fillRect(x, plot_height_, 1, margin_, INK);
  ticks_ = 0;
  return true;
}

const QImage& strip_chart::shown() {
  if (!ready()) return shown_;
  if (shown_.size() != client_) shown_ = QImage(client_, QImage::Format_RGB32);
  QPainter painter(&shown_);
  painter.drawImage(0, 0, plot_, 0, 0, client_.width(), client_.height());
  painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
  painter.drawImage(LABEL_X, 0, label_);
  return shown_;
}

}  // namespace nw

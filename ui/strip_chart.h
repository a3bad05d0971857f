// The load strip chart's pictures: a plot that scrolls one pixel a sample, with its grid and a
// band of minute markers under it, and a label with the latest sample laid over the plot.
// QtGui only; the strip window (ui/strip.h) owns one and drives it from its timers.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTime>

#include <cstdint>

namespace nw {

// Where a minute marker goes for the local time `now`, and the time it shows.
struct strip_marker {
  int offset = 0;  // pixels right of the newest sample's column; negative to its left
  QTime time;      // a whole minute
};

// Seconds 0..30: the minute begun that many samples ago. Seconds 31..59: the coming minute,
// that many samples ahead in the hidden columns, from where it scrolls into view on time.
[[nodiscard]] strip_marker strip_marker_for(QTime now);

// The label format with `value` in place of its %d (or %i, %u) and % for %%. Any other
// conversion stays as it is written: the format is text handed in by another window, never
// given to printf.
[[nodiscard]] QString strip_label_text(const QString& format, std::uint32_t value);

class strip_chart {
 public:
  static constexpr int HIDDEN = 101;          // columns right of the visible part
  static constexpr int FULL_SCALE = 40;       // percent at the top of the plot
  static constexpr int LABEL_WIDTH = 80;
  static constexpr int LABEL_HEIGHT = 35;
  static constexpr int LABEL_X = 5;           // where the label lies over the plot
  static constexpr int DEFAULT_MARGIN = 8;
  static constexpr int MARKER_SPACING = 31;   // samples at least between two markers
  static constexpr int MARKER_OVERDUE = 66;   // samples after which a sample draws the marker
  static inline const QColor GRID{50, 50, 255};
  static inline const QColor INK{Qt::black};

  strip_chart();

  // A null font leaves that one as it is. The plot font writes the minute markers and sets
  // the band's height; the label font writes the label.
  void set_fonts(const QFont* plot, const QFont* label);
  void set_format(const QString& format);
  void set_margin(int margin);
  // The band's colour (the system's menu colour); used from the next layout on.
  void set_band_color(const QColor& color);

  // New pictures for a client area of this size, history gone. A size with no width or no
  // height leaves the pictures as they are (a hidden or collapsed window).
  void layout(QSize client);
  // One sample: the picture scrolls a pixel left and the newest column shows `value`; the
  // label shows it too. After MARKER_OVERDUE samples the minute marker runs for `now`.
  // False before the first layout.
  bool sample(std::uint32_t value, QTime now);
  // The minute marker for `now`; nothing (false) while fewer than MARKER_SPACING samples were
  // taken since the previous one, or before the first layout.
  bool minute(QTime now);

  [[nodiscard]] bool ready() const { return !plot_.isNull(); }
  [[nodiscard]] int ticks() const { return ticks_; }
  [[nodiscard]] int plot_height() const { return plot_height_; }
  [[nodiscard]] int text_height() const { return text_height_; }
  [[nodiscard]] int visible_width() const { return client_.width(); }
  [[nodiscard]] const QString& label_text() const { return label_text_; }
  [[nodiscard]] const QImage& plot() const { return plot_; }
  [[nodiscard]] const QImage& label() const { return label_; }
  // The visible part of the plot with the label combined over it by AND, so that its dark
  // text shows and its white ground leaves the plot as it is.
  [[nodiscard]] const QImage& shown();

 private:
  void relayout();
  void draw_label(std::uint32_t value);
  void scroll();
  void fill_column(int x);

  QFont plot_font_;
  QFont label_font_;
  QString format_;
  QColor band_;
  int margin_ = DEFAULT_MARGIN;
  int text_height_ = 0;
  QSize client_;
  int plot_height_ = 0;  // H: the rows above the band
  int ticks_ = 0;        // samples since the last marker
  QString label_text_;
  QImage plot_;          // client width + HIDDEN wide
  QImage label_;
  QImage shown_;
};

}  // namespace nw

// The chart window of the load strip (`Strip`): samples its value once a second into the
// chart, draws a minute marker every minute, and copies the chart on paint.
//
// The plotted value lives in the network model, so it is read (and reset) under the model
// lock; the capture thread writes it under the same lock.
#pragma once

#include <QBasicTimer>
#include <QFrame>

#include <cstdint>

#include "ui/strip_chart.h"

namespace nw {

class strip : public QFrame {
 public:
  static constexpr int SAMPLE_MS = 1000;
  static constexpr int MINUTE_MS = 60'000;

  explicit strip(QWidget* parent = nullptr);

  // What the timers do: one sample of the value, and the minute marker, at the local time.
  void sample_tick();
  void minute_tick();

  [[nodiscard]] const strip_chart& chart() const { return chart_; }
  [[nodiscard]] bool resets_after_read() const { return reset_after_read_; }

 protected:
  // Messages 1058 to 1066 (ui/strip_messages.h).
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  [[nodiscard]] std::uint32_t take_value();

  strip_chart chart_;
  std::int32_t* value_ = nullptr;
  bool reset_after_read_ = true;
  QBasicTimer sample_timer_;
  QBasicTimer minute_timer_;
};

}  // namespace nw

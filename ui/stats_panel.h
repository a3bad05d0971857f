// The statistics panel (`estat`): a group box captioned "Статистика" around the figures window
// (`Stats`), which shows run time, average and peak load, frames and bytes a second and
// dropped frames, drawn off-screen on each update message.
//
// The control column creates it with its update message number (STATS_MSG_UPDATE) and the
// program's start time, and places it at (145, 425, 165, 97). The capture thread posts the
// update once per pass through stats_panel_poster.
#pragma once

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "stats/load_stats.h"
#include "ui/stats_text.h"

class QGroupBox;

namespace nw {

struct net;

// The program's number for the update; the message carries a net*.
inline constexpr int STATS_MSG_UPDATE = 1030;

// `Stats`: the six lines, drawn into a picture of the window's size and copied on paint.
class stats_view : public QWidget {
 public:
  explicit stats_view(QWidget* parent = nullptr);
  void show_figures(const stats_figures& figures);
  [[nodiscard]] const std::array<std::string, STATS_LINES>& values() const { return values_; }
  [[nodiscard]] const QImage& picture() const { return picture_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void draw();

  QFont font_;
  std::array<std::string, STATS_LINES> values_;
  bool shown_ = false;  // no figures yet: the labels stand alone
  QImage picture_;
};

class stats_panel : public QWidget {
 public:
  // start_time: the program's start, seconds since the epoch.
  stats_panel(QWidget* parent, int update_message, std::int64_t start_time);

  [[nodiscard]] const stats_view& view() const { return *view_; }
  [[nodiscard]] int update_message() const { return message_; }

 protected:
  // The update message, with the network to sample.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void update_from(net& network);

  int message_;
  std::int64_t start_time_;
  load_sampler sampler_;  // the mean and sample count from the panel's creation on
  QGroupBox* box_;
  stats_view* view_;
};

// What the capture thread calls before each dispatch: posts the panel its update with the
// network, never waiting for it. The panel must outlive the capture thread.
[[nodiscard]] std::function<void(net&)> stats_panel_poster(stats_panel* panel);

}  // namespace nw

// The network load strip chart (`LOAD`): a group box captioned "Network Load" with the chart
// window (`Strip`) inside it. Its parent feeds it with the numbered messages of
// ui/strip_messages.h, through the calls below or as events of its own.
//
// The control column creates it, places it at (0, 0, 300, 120), and then plots the current
// network's load (load_strip_plot with &network.load), sets the fonts (ui_font(13, bold,
// italic) for the plot, ui_font(12) for the label) and turns reset-after-read off
// (load_strip_reset 0); after an adapter change it plots the new network's load.
#pragma once

#include <QWidget>

#include <cstdint>

#include "ui/strip_messages.h"

class QGroupBox;

namespace nw {

class strip;

class load_strip : public QWidget {
 public:
  static constexpr int DEFAULT_BORDER = 5;

  explicit load_strip(QWidget* parent = nullptr);

  [[nodiscard]] strip& chart_window() { return *strip_; }
  [[nodiscard]] QGroupBox& group_box() { return *box_; }

 protected:
  // Messages 1056 to 1065.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void place_children();

  QGroupBox* box_;
  strip* strip_;
  int border_ = DEFAULT_BORDER;
};

// The parent's calls; each sends its message and returns when it is handled.
void load_strip_plot(QWidget* load, std::int32_t* value);                // 1057
void load_strip_fonts(QWidget* load, const strip_fonts& fonts);          // 1059
void load_strip_label(QWidget* load, const strip_caption& label);        // 1061
void load_strip_margin(QWidget* load, int margin);                       // 1063
void load_strip_reset(QWidget* load, int flag);                          // 1065
void load_strip_border(QWidget* load, int border);                       // 1056

}  // namespace nw

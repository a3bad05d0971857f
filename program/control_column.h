// The control column (`Panel`) at the main window's right: the load strip, the Controls
// panel, the protocol key, the zoom box, the statistics panel and the output window at fixed
// places, scrolled in five steps when the column is shorter than they are.
//
// The Controls panel, the protocol key, the zoom box and the output window are not built yet:
// their places hold empty, disabled frames of their size.
#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

#include "program/panel_scroll.h"

class QScrollBar;

namespace nw {

class load_strip;
class stats_panel;

// After an adapter change: plot the new current network's load.
inline constexpr int PANEL_MSG_FOLLOW_NET = 12345;

inline constexpr int PANEL_WIDTH = 320;

// The children in the column's order of creation of their places.
enum class panel_child { load, controls, protocol_key, zoom_box, stats, output };
inline constexpr std::size_t PANEL_CHILDREN = 6;

class control_column : public QFrame {
 public:
  // start_time: the program's start, for the statistics panel's run time.
  control_column(QWidget* parent, std::int64_t start_time);

  [[nodiscard]] QWidget& child(panel_child which) const;
  [[nodiscard]] load_strip& load() const;
  [[nodiscard]] stats_panel& stats() const;
  [[nodiscard]] QScrollBar& scroll_bar() const { return *scroll_bar_; }
  [[nodiscard]] const panel_scroll& scroll_state() const { return scroll_; }
  // The children's top-left corner as the column shows it: y is moved up by the scroll.
  [[nodiscard]] int content_offset() const;

 protected:
  // Message 12345.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void follow_current_net();
  void scrolled(int value);
  void place_content();

  QWidget* viewport_;
  QWidget* content_;
  QScrollBar* scroll_bar_;
  std::array<QWidget*, PANEL_CHILDREN> children_{};
  panel_scroll scroll_;
};

}  // namespace nw

// The about box: the product's picture, name and version; closes on OK or Escape.
#pragma once

#include <QDialog>
#include <QImage>

namespace nw {

inline constexpr const char* ABOUT_VERSION_TEXT = "Nodewren 1.6";

// The product picture: a small network of the protocol colours, drawn from the colour table
// (program/logpal.h), so it shows the colours the map uses.
[[nodiscard]] QImage about_picture();

class about_box : public QDialog {
 public:
  explicit about_box(QWidget* owner);
};

// Runs the box modally over owner.
void about_box_run(QWidget* owner);

}  // namespace nw

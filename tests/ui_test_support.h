// Helpers of the window tests: a picture of a window for a person to look at.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <ostream>
#include <string>

// Test failures print a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace nw::test {

// With NODEWREN_UI_SHOTS naming a directory, the window as it would appear goes there as
// <name>.png; without it nothing is written.
inline void ui_save_shot(QWidget& window, const char* name) {
  const char* dir = std::getenv("NODEWREN_UI_SHOTS");
  if (dir == nullptr || *dir == '\0') return;
  window.grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

}  // namespace nw::test

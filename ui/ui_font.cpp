// Arial by cell height.
#include "ui/ui_font.h"

#include <QFontMetrics>

#include <algorithm>

namespace nw {

QFont ui_font(int height, bool bold, bool italic) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(bold);
  font.setItalic(italic);
  // The em square is smaller than the cell by the face's ascent and descent beyond it; the
  // largest em whose cell fits is the font of that height.
  font.setPixelSize(std::max(height, 1));
  while (font.pixelSize() > 1 && QFontMetrics(font).height() > height) font.setPixelSize(font.pixelSize() - 1);
  return font;
}

}  // namespace nw

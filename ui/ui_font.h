// The fonts the panels are drawn with, sized as the windowing system of the panels' design
// sizes fonts: by the height of the character cell, not of the em square.
#pragma once

#include <QFont>

namespace nw {

// Arial (or the sans-serif face that stands in for it) whose lines are at most `height`
// pixels high, ascent plus descent.
[[nodiscard]] QFont ui_font(int height, bool bold = false, bool italic = false);

}  // namespace nw

// The messages of the load strip chart: the outer frame (`LOAD`) takes the odd numbers from
// its parent and hands each on to its chart window (`Strip`) as the next number.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>
#include <optional>

namespace nw {

inline constexpr int LOAD_MSG_BORDER = 1056;        // int: pixels between group box and chart
inline constexpr int LOAD_MSG_VALUE = 1057;         // std::int32_t*: the value to plot
inline constexpr int STRIP_MSG_VALUE = 1058;
inline constexpr int LOAD_MSG_FONTS = 1059;         // strip_fonts
inline constexpr int STRIP_MSG_FONTS = 1060;
inline constexpr int LOAD_MSG_LABEL = 1061;         // strip_caption
inline constexpr int STRIP_MSG_FORMAT = 1062;       // QString: the label format
inline constexpr int LOAD_MSG_MARGIN = 1063;        // int: the band's margin in pixels
inline constexpr int STRIP_MSG_MARGIN = 1064;
inline constexpr int LOAD_MSG_RESET = 1065;         // int: 1 sets the value to 0 after each sample
inline constexpr int STRIP_MSG_RESET = 1066;

// An empty one leaves that font as it is.
struct strip_fonts {
  std::optional<QFont> plot;
  std::optional<QFont> label;
};

struct strip_caption {
  QString format;   // the label format, "Load: %d%%" until one is given
  QString caption;  // the group box's text
};

}  // namespace nw

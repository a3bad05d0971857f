// The settings the map draws with. The program fills them from its stored settings at start-up
// and whenever a control or command changes one; the map reads them on every redraw.
#pragma once

#include <cstdint>

namespace nw {

// Label modes ("show name").
inline constexpr std::uint32_t MAP_LABEL_LOCAL = 0;
inline constexpr std::uint32_t MAP_LABEL_IP = 1;
inline constexpr std::uint32_t MAP_LABEL_MAC = 2;
inline constexpr std::uint32_t MAP_LABEL_DNS = 3;
inline constexpr std::uint32_t MAP_LABEL_BEST = 4;

// The label size is not here: it is the model's font size (model/model_config.h), with which
// every label is measured when its text changes.
struct map_settings {
  double node_scale = 0.2;       // host traffic to disc radius
  double max_node_radius = 0.5;  // world units
  double link_scale = 0.6;       // link traffic to line width; 0 draws KiB/s as pixels
  std::uint32_t max_link_width = 100;  // pixels
  std::uint32_t dynamic = 1;     // 1: only active hosts and links are drawn
  std::uint32_t bytes = 1;       // 1: hosts sized by bytes, else by frames
  std::uint32_t show_name = MAP_LABEL_BEST;  // an unknown mode shows the best name
  std::uint32_t show_manufacturers = 0;      // 1: a manufacturer line under each label
};

// Written and read under the model lock, as the model's own settings.
[[nodiscard]] map_settings& map_config();
// The defaults back (tests start clean).
void map_config_reset();

}  // namespace nw

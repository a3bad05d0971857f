// What the map tests share: the map's modules back in their start-up state with the shipped
// font loaded, and the program's text size for labels.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "core/hfont.h"
#include "draw/draw.h"
#include "map/display.h"
#include "map/map_settings.h"
#include "map/map_view.h"
#include "map/zoom_marks.h"
#include "model/model_config.h"

namespace nw::test {

// Call through ASSERT_NO_FATAL_FAILURE.
inline void map_modules_reset_with_font() {
  map_config_reset();
  map_view_reset();
  zoom_marks_reset();
  draw_reset();
  hfont_reset();
  std::string error;
  ASSERT_EQ(hfont_load(NODEWREN_FONT_FILE, error), 1) << error;
}

// Labels are measured when they are set, at the program's text size.
inline void set_font_size(float size) {
  model_lock lock;
  model_settings().font_size = size;
  std::lock_guard display(map_display_mutex());
  htextsize(model_label_height(), model_label_height());
}

}  // namespace nw::test

// The colour table.
#include "program/logpal.h"

namespace nw {
namespace {

logical_palette g_palette{};  // window thread's

}  // namespace

void create_palette(const palette_table& colors) {
  g_palette = logical_palette{};
  for (std::size_t i = 0; i < PALETTE_COLORS; ++i) {
    const std::uint32_t word = colors[i];
    g_palette[i] = {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                    static_cast<std::uint8_t>(word >> 16)};
  }
  g_palette[LOGPAL_WHITE] = {255, 255, 255};
  g_palette[LOGPAL_BLACK] = {0, 0, 0};
  palette_apply(colors);
}

const logical_palette& current_palette() { return g_palette; }

void free_palette() { g_palette = logical_palette{}; }

}  // namespace nw

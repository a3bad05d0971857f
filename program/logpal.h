// The program's colour table: 256 entries, the 33 protocol colours first, then white and black.
// It is made at start-up and made anew whenever a protocol colour is edited; making it also
// hands the protocol colours to the drawing library, so the map draws with what it holds.
#pragma once

#include <array>
#include <cstdint>

#include "map/palette.h"

namespace nw {

inline constexpr std::size_t LOGPAL_ENTRIES = 256;
inline constexpr std::size_t LOGPAL_WHITE = 33;
inline constexpr std::size_t LOGPAL_BLACK = 34;

struct logpal_entry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

using logical_palette = std::array<logpal_entry, LOGPAL_ENTRIES>;

// Entries 0..32 from the colour words (red, green, blue from their low three bytes), 33
// white, 34 black, the rest zero. The caller holds the display mutex when the capture thread
// may be drawing.
void create_palette(const palette_table& colors);

// The table made last; all zero before the first and after free_palette.
[[nodiscard]] const logical_palette& current_palette();

void free_palette();

}  // namespace nw

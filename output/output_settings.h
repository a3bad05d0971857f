// The output window's column widths and their stored block, "output tab".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/settings_store.h"

namespace nw {

inline constexpr std::size_t OUTPUT_COLUMNS = 4;
inline constexpr std::uint32_t OUTPUT_COLUMN_DEFAULT = 40;
// Wider than any screen: a stored width above it is taken for a damaged block.
inline constexpr std::uint32_t OUTPUT_COLUMN_MAX = 65535;

// In pixels: alarm list message and time columns, event list event and time columns. Read and
// written on the window thread only (start-up, the window's creation and destruction, shutdown).
using output_columns = std::array<std::uint32_t, OUTPUT_COLUMNS>;
[[nodiscard]] output_columns& output_column_widths();

// Reads "output tab" (16 raw bytes, four little-endian words). Missing, of another length or
// with a width above OUTPUT_COLUMN_MAX: every width is 40 and that block is written at once.
void output_load_settings(settings_store& store);
void output_save_settings(settings_store& store);

}  // namespace nw

// What the adapter dialog shows and how it picks: its columns, one row per adapter with the
// speed as text, the row selected on opening and the index the dialog ends with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/adapter_desc.h"

namespace nw {

struct adapter_column {
  std::uint32_t title;  // string-table number
  int width;
};

inline constexpr std::array<adapter_column, 3> ADAPTER_COLUMNS{{{50182, 100}, {50184, 250}, {50186, 100}}};

struct adapter_row {
  std::string name;
  std::string description;
  std::string speed;
};

// "4Mb", "10Mb", "16Mb", "100Mb" for those four rates exactly, "Unknown" for any other.
[[nodiscard]] const char* adapter_rows_speed_text(std::uint64_t speed);

[[nodiscard]] std::vector<adapter_row> adapter_rows_make(std::span<const adapter_desc> adapters);

// The row selected when the dialog opens: the current index, or row 0 when it names no row.
[[nodiscard]] std::size_t adapter_rows_selected(std::size_t current, std::size_t rows);

// The dialog's result: the selected row when it ends with OK and a row is selected, otherwise
// (no selection, Cancel, closed) the current index.
[[nodiscard]] std::size_t adapter_rows_chosen(std::size_t current, std::optional<std::size_t> selected, bool ok);

}  // namespace nw

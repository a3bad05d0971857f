// What the preferences sheet edits: the columns the host list and the sent-traffic node-watch
// windows show (the column order in their layout blocks), DNS resolving, and the Token Ring
// event switches. No Qt: the sheet (program/preferences_sheet.h) shows and sets these.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace nw {

// One list window's column choice: its layout block, where the order lies in it, and the check
// box of each column (box i is column i).
struct column_choice {
  const char* block;
  std::size_t order_first;  // word of the first order slot
  std::span<const int> boxes;
  std::uint32_t first_title;  // string of column 0's title; the others follow two apart
};

[[nodiscard]] const column_choice& preferences_host_list();
[[nodiscard]] const column_choice& preferences_node_watch();

// The order slots of a choice's block (empty when the block is unknown).
[[nodiscard]] std::span<std::int32_t> preferences_order(const column_choice& choice);

// Whether `column` is shown: it stands in the order before the first -1.
[[nodiscard]] bool preferences_shown(std::span<const std::int32_t> order, int column);

// The order made anew: the checked columns in ascending number, the remaining slots -1.
void preferences_set_order(std::span<std::int32_t> order, const std::vector<bool>& checked);

inline constexpr int PREFERENCES_RESOLVE_BOX = 11700;
inline constexpr int PREFERENCES_TRMAC_FIRST_BOX = 11801;

}  // namespace nw

// The preferences' column choices.
#include "program/preferences.h"

#include <algorithm>

#include "program/settings.h"

namespace nw {
namespace {

// The boxes are numbered by their place on the page, which is not quite the column order.
constexpr int host_list_boxes[] = {11500, 11505, 11510, 11515, 11525, 11520,
                                   11535, 11530, 11545, 11540, 11555, 11550};
constexpr int node_watch_boxes[] = {11600, 11605, 11610, 11615, 11620, 11625, 11630};

constexpr std::uint32_t STR_HOST_LIST_COLUMN_0 = 50886;
constexpr std::uint32_t STR_NODE_WATCH_COLUMN_0 = 50912;

}  // namespace

const column_choice& preferences_host_list() {
  static const column_choice choice{"wnet popup", 12, host_list_boxes, STR_HOST_LIST_COLUMN_0};
  return choice;
}

const column_choice& preferences_node_watch() {
  static const column_choice choice{"wnode popup", 10, node_watch_boxes, STR_NODE_WATCH_COLUMN_0};
  return choice;
}

std::span<std::int32_t> preferences_order(const column_choice& choice) {
  const std::span<std::int32_t> block = settings_block(choice.block);
  if (block.size() < choice.order_first + choice.boxes.size()) return {};
  return block.subspan(choice.order_first, choice.boxes.size());
}

bool preferences_shown(std::span<const std::int32_t> order, int column) {
  for (std::int32_t slot : order) {
    if (slot == -1) return false;
    if (slot == column) return true;
  }
  return false;
}

void preferences_set_order(std::span<std::int32_t> order, const std::vector<bool>& checked) {
  std::fill(order.begin(), order.end(), -1);
  std::size_t slot = 0;
  for (std::size_t column = 0; column < checked.size() && slot < order.size(); ++column)
    if (checked[column]) order[slot++] = static_cast<std::int32_t>(column);
}

}  // namespace nw

// The output window's column widths and their stored block.
#include "output/output_settings.h"

#include <algorithm>
#include <string>
#include <vector>

namespace nw {
namespace {

const std::string VALUE_NAME = "output tab";

output_columns widths = {OUTPUT_COLUMN_DEFAULT, OUTPUT_COLUMN_DEFAULT, OUTPUT_COLUMN_DEFAULT,
                         OUTPUT_COLUMN_DEFAULT};

bool plausible(const std::vector<std::uint32_t>& words) {
  return std::all_of(words.begin(), words.end(), [](std::uint32_t w) { return w <= OUTPUT_COLUMN_MAX; });
}

}  // namespace

output_columns& output_column_widths() { return widths; }

void output_load_settings(settings_store& store) {
  const auto block = store.read_binary(VALUE_NAME);
  const auto words = block ? settings_unpack_words(*block, OUTPUT_COLUMNS) : std::nullopt;
  if (words && plausible(*words)) {
    std::copy(words->begin(), words->end(), widths.begin());
    return;
  }
  widths.fill(OUTPUT_COLUMN_DEFAULT);
  output_save_settings(store);
}

void output_save_settings(settings_store& store) {
  store.write_binary(VALUE_NAME, settings_pack_words({widths.begin(), widths.end()}));
}

}  // namespace nw

// The adapter dialog's rows and selection.
#include "capture/adapter_rows.h"

#include "core/str_cache.h"

namespace nw {
namespace {

struct speed_name {
  std::uint64_t speed;
  std::uint32_t text;
};

// The rates of the media the program was made for; a gigabit adapter reads "Unknown".
constexpr std::array<speed_name, 4> SPEED_NAMES{{
    {4'000'000, 50190},
    {10'000'000, 50192},
    {16'000'000, 50194},
    {100'000'000, 50196},
}};
constexpr std::uint32_t STR_SPEED_UNKNOWN = 50198;

}  // namespace

const char* adapter_rows_speed_text(std::uint64_t speed) {
  std::uint32_t number = STR_SPEED_UNKNOWN;
  for (const speed_name& s : SPEED_NAMES) {
    if (s.speed == speed) number = s.text;
  }
  return str_text(number);
}

std::vector<adapter_row> adapter_rows_make(std::span<const adapter_desc> adapters) {
  std::vector<adapter_row> rows;
  rows.reserve(adapters.size());
  for (const adapter_desc& a : adapters) rows.push_back({a.name, a.description, adapter_rows_speed_text(a.speed)});
  return rows;
}

// Index equal to the row count names no row either: it is as far out of range as any larger one.
std::size_t adapter_rows_selected(std::size_t current, std::size_t rows) { return current < rows ? current : 0; }

std::size_t adapter_rows_chosen(std::size_t current, std::optional<std::size_t> selected, bool ok) {
  return ok && selected ? *selected : current;
}

}  // namespace nw

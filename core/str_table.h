// The program's numbered texts (UTF-8), sorted by number.
#pragma once

#include <cstdint>
#include <span>

namespace nw {

struct str_entry {
  std::uint32_t number;
  const char* text;
};

// Every entry, in ascending order of number, each number once.
[[nodiscard]] std::span<const str_entry> str_table();

}  // namespace nw

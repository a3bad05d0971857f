// The string-table cache: every user-visible numbered text is fetched through str_get.
#pragma once

#include <cstdint>

namespace nw {

inline constexpr std::size_t STR_MAX_LENGTH = 1023;

// The text of a numbered entry, loaded on first request and kept for the run; nullptr for
// number 0 or a number the table lacks. The pointer stays valid until str_cache_reset.
// Safe to call from any thread.
[[nodiscard]] const char* str_get(std::uint32_t number);

// The same, with "" for a missing number: for texts used where a missing one must not crash.
[[nodiscard]] const char* str_text(std::uint32_t number);

// Drops every kept text (tests start clean).
void str_cache_reset();

}  // namespace nw

// The 33 protocol colours: their block at the start of the colour and focus file, and giving
// them to the drawing library (protocol colour k is drawing colour k + 8).
//
// Colour block, little-endian: a 32-bit count N (written as 33), then N colour words, each
// byte 0 red, byte 1 green, byte 2 blue, byte 3 zero.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace nw {

inline constexpr std::size_t PALETTE_COLORS = 33;
inline constexpr int PALETTE_FIRST_INDEX = 8;  // drawing colour of protocol colour 0

using palette_table = std::array<std::uint32_t, PALETTE_COLORS>;

[[nodiscard]] constexpr std::uint32_t palette_word(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(blue) << 16;
}

// The colours used when there is no colour file: 32 distinct hues bright enough on black, and
// a grey for protocol colour 32, which is also the colour of links no focus protocol colours.
[[nodiscard]] palette_table palette_defaults();
// Gives every colour of the table to the drawing library.
void palette_apply(const palette_table& colors);

// Reads a colour block from the file's current position into colors and gives each colour
// read to the drawing library. 1 when done. 0 when the block counts more than 33 colours or
// ends early: a message says why, and colors and the drawing colours stay as they were.
[[nodiscard]] int palette_read(std::FILE* file, palette_table& colors);
// One little-endian 32-bit word of the colour and focus file; false at the end of the file or
// when the stream refused the write.
[[nodiscard]] bool palette_read_word(std::FILE* file, std::uint32_t& word);
[[nodiscard]] bool palette_write_word(std::FILE* file, std::uint32_t word);
// Writes the block with all 33 colours. 1 when done, 0 when the stream refused a write; what
// the stream still buffers shows its errors when the caller closes it.
[[nodiscard]] int palette_write(std::FILE* file, const palette_table& colors);

}  // namespace nw

// Reading and writing the protocol colours.
#include "map/palette.h"

#include <QColor>

#include <string>
#include <utility>

#include "core/message.h"
#include "core/str_cache.h"
#include "draw/draw.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_WARNING_CAPTION = 50010;
constexpr std::size_t WORD_SIZE = 4;
constexpr std::size_t HUES = PALETTE_COLORS - 1;

void report(std::string text) {
  message_show({std::move(text), str_get(STR_WARNING_CAPTION), message_icon::exclamation});
}

void apply_word(std::size_t k, std::uint32_t word) {
  mapcolor(PALETTE_FIRST_INDEX + static_cast<int>(k), static_cast<std::uint8_t>(word),
           static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word >> 16));
}

}  // namespace

bool palette_read_word(std::FILE* file, std::uint32_t& word) {
  unsigned char b[WORD_SIZE];
  if (std::fread(b, 1, sizeof b, file) != sizeof b) return false;
  word = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

bool palette_write_word(std::FILE* file, std::uint32_t word) {
  const unsigned char b[WORD_SIZE] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                      static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
  return std::fwrite(b, 1, sizeof b, file) == sizeof b;
}

palette_table palette_defaults() {
  palette_table colors{};
  // Two rings of 16 hues, the second darker and offset by half a step, so that neighbouring
  // colour numbers differ at a glance.
  for (std::size_t k = 0; k < HUES; ++k) {
    const int hue = static_cast<int>((k % 16) * 360 / 16 + (k / 16) * 11);
    const QColor c = QColor::fromHsv(hue, 255, k < 16 ? 255 : 190);
    colors[k] = palette_word(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                             static_cast<std::uint8_t>(c.blue()));
  }
  colors[HUES] = palette_word(0x90, 0x90, 0x90);
  return colors;
}

void palette_apply(const palette_table& colors) {
  for (std::size_t k = 0; k < colors.size(); ++k) apply_word(k, colors[k]);
}

int palette_read(std::FILE* file, palette_table& colors) {
  std::uint32_t count = 0;
  if (file == nullptr || !palette_read_word(file, count)) {
    report("palette_read: the colour block is missing");
    return 0;
  }
  if (count > PALETTE_COLORS) {
    report(message_format("palette_read: Header greater than %d\n", static_cast<int>(PALETTE_COLORS)));
    return 0;
  }
  // All or nothing: a block cut short must not leave half the colours changed.
  palette_table read = colors;
  for (std::uint32_t k = 0; k < count; ++k) {
    if (!palette_read_word(file, read[k])) {
      report(message_format("palette_read: the colour block ends after %u of its %u colours", k, count));
      return 0;
    }
  }
  colors = read;
  for (std::size_t k = 0; k < count; ++k) apply_word(k, colors[k]);
  return 1;
}

int palette_write(std::FILE* file, const palette_table& colors) {
  if (file == nullptr || !palette_write_word(file, static_cast<std::uint32_t>(PALETTE_COLORS))) return 0;
  for (const std::uint32_t word : colors) {
    if (!palette_write_word(file, word)) return 0;
  }
  return 1;
}

}  // namespace nw

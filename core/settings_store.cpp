#include "core/settings_store.h"

namespace nw {

std::optional<std::string> memory_settings::read_text(const std::string& name) {
  return read<std::string>(name);
}

std::optional<std::uint32_t> memory_settings::read_dword(const std::string& name) {
  return read<std::uint32_t>(name);
}

std::optional<std::vector<std::uint8_t>> memory_settings::read_binary(const std::string& name) {
  return read<std::vector<std::uint8_t>>(name);
}

void memory_settings::write_text(const std::string& name, const std::string& v) {
  values_[name] = v;
}

void memory_settings::write_dword(const std::string& name, std::uint32_t v) {
  values_[name] = v;
}

void memory_settings::write_binary(const std::string& name, const std::vector<std::uint8_t>& v) {
  values_[name] = v;
}

std::vector<std::uint8_t> settings_pack_words(const std::vector<std::uint32_t>& words) {
  std::vector<std::uint8_t> block;
  block.reserve(words.size() * 4);
  for (std::uint32_t w : words)
    for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<std::uint8_t>(w >> shift));
  return block;
}

std::optional<std::vector<std::uint32_t>> settings_unpack_words(
    const std::vector<std::uint8_t>& block, std::size_t count) {
  if (block.size() != count * 4) return std::nullopt;
  std::vector<std::uint32_t> words(count);
  for (std::size_t i = 0; i < count; ++i)
    for (std::size_t b = 0; b < 4; ++b)
      words[i] |= static_cast<std::uint32_t>(block[i * 4 + b]) << (8 * b);
  return words;
}

}  // namespace nw

// Where the engine's modules read and write their stored values. The program's settings
// file implements it; tests use the in-memory store. A value stored in another form than the
// one asked for counts as missing, as the settings file treats it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace nw {

class settings_store {
 public:
  virtual ~settings_store() = default;

  [[nodiscard]] virtual std::optional<std::string> read_text(const std::string& name) = 0;
  [[nodiscard]] virtual std::optional<std::uint32_t> read_dword(const std::string& name) = 0;
  [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> read_binary(
      const std::string& name) = 0;

  virtual void write_text(const std::string& name, const std::string& value) = 0;
  virtual void write_dword(const std::string& name, std::uint32_t value) = 0;
  virtual void write_binary(const std::string& name, const std::vector<std::uint8_t>& value) = 0;
};

// Values kept in memory only: tests, and a program run whose settings file cannot be written.
class memory_settings final : public settings_store {
 public:
  using value = std::variant<std::string, std::uint32_t, std::vector<std::uint8_t>>;

  std::optional<std::string> read_text(const std::string& name) override;
  std::optional<std::uint32_t> read_dword(const std::string& name) override;
  std::optional<std::vector<std::uint8_t>> read_binary(const std::string& name) override;

  void write_text(const std::string& name, const std::string& value) override;
  void write_dword(const std::string& name, std::uint32_t value) override;
  void write_binary(const std::string& name, const std::vector<std::uint8_t>& value) override;

  [[nodiscard]] bool contains(const std::string& name) const { return values_.count(name) != 0; }

 private:
  template <class T>
  std::optional<T> read(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (const T* v = std::get_if<T>(&it->second)) return *v;
    return std::nullopt;
  }

  std::map<std::string, value> values_;
};

// Little-endian 32-bit words packed as a binary value and back: the layout of the raw
// settings blocks ("trmac defaults", "output tab"). Unpacking gives nothing when the block's
// length is not exactly `count` words.
[[nodiscard]] std::vector<std::uint8_t> settings_pack_words(const std::vector<std::uint32_t>& words);
[[nodiscard]] std::optional<std::vector<std::uint32_t>> settings_unpack_words(
    const std::vector<std::uint8_t>& block, std::size_t count);

}  // namespace nw

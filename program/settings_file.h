// The program's settings file: one INI file read and written through QSettings, the values of
// group "1.6". Text is stored as it is, a DWORD as its decimal digits and a binary block as a
// byte array; a value that cannot be read in the form asked for counts as missing.
#pragma once

#include <QString>

#include <memory>

#include "core/settings_store.h"

class QSettings;

namespace nw {

inline constexpr const char* SETTINGS_ORGANISATION = "Korvane Software";
inline constexpr const char* SETTINGS_APPLICATION = "Nodewren";
inline constexpr const char* SETTINGS_GROUP = "1.6";
// Names another settings file than the user's own (tests, several configurations).
inline constexpr const char* SETTINGS_FILE_VARIABLE = "NODEWREN_CONFIG";

// The file NODEWREN_CONFIG names when it is set and not empty, else
// "<configuration directory>/Korvane Software/Nodewren.ini".
[[nodiscard]] QString settings_file_path();

class settings_file final : public settings_store {
 public:
  explicit settings_file(const QString& path);
  ~settings_file() override;
  settings_file(const settings_file&) = delete;
  settings_file& operator=(const settings_file&) = delete;

  std::optional<std::string> read_text(const std::string& name) override;
  std::optional<std::uint32_t> read_dword(const std::string& name) override;
  std::optional<std::vector<std::uint8_t>> read_binary(const std::string& name) override;

  void write_text(const std::string& name, const std::string& value) override;
  void write_dword(const std::string& name, std::uint32_t value) override;
  void write_binary(const std::string& name, const std::vector<std::uint8_t>& value) override;

  // Whether the file could be read (a missing file reads as empty and is fine).
  [[nodiscard]] bool readable() const;
  // Writes what changed to the file. 1 when the file holds every value, -1 when it could not
  // be written.
  [[nodiscard]] int sync();
  [[nodiscard]] QString path() const;

 private:
  std::unique_ptr<QSettings> file_;
};

// A strict decimal DWORD: digits only, at most 4294967295.
[[nodiscard]] std::optional<std::uint32_t> settings_parse_dword(std::string_view text);

}  // namespace nw

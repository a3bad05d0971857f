// The settings file over QSettings in INI format.
#include "program/settings_file.h"

#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include <charconv>
#include <cstdlib>

namespace nw {
namespace {

QString key(const std::string& name) { return QString::fromStdString(name); }

}  // namespace

QString settings_file_path() {
  const char* named = std::getenv(SETTINGS_FILE_VARIABLE);
  if (named != nullptr && *named != '\0') return QString::fromLocal8Bit(named);
  return QSettings(QSettings::IniFormat, QSettings::UserScope, SETTINGS_ORGANISATION, SETTINGS_APPLICATION)
      .fileName();
}

std::optional<std::uint32_t> settings_parse_dword(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc{} || stop != end) return std::nullopt;
  return value;
}

settings_file::settings_file(const QString& path) : file_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {
  file_->beginGroup(QString::fromLatin1(SETTINGS_GROUP));
}

settings_file::~settings_file() { (void)sync(); }

// INI keeps no type: what comes back from the file is text, or a byte array for a value that
// was written as one. A list (an unquoted comma in a hand-edited value) is no text of ours.
std::optional<std::string> settings_file::read_text(const std::string& name) {
  const QVariant v = file_->value(key(name));
  if (v.typeId() != QMetaType::QString) return std::nullopt;
  return v.toString().toStdString();
}

std::optional<std::uint32_t> settings_file::read_dword(const std::string& name) {
  const QVariant v = file_->value(key(name));
  if (v.typeId() != QMetaType::QString) return std::nullopt;
  return settings_parse_dword(v.toString().trimmed().toStdString());
}

std::optional<std::vector<std::uint8_t>> settings_file::read_binary(const std::string& name) {
  const QVariant v = file_->value(key(name));
  if (v.typeId() != QMetaType::QByteArray) return std::nullopt;
  const QByteArray bytes = v.toByteArray();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void settings_file::write_text(const std::string& name, const std::string& value) {
  file_->setValue(key(name), QString::fromStdString(value));
}

// As text, so that a value reads the same before and after the file is written and read back.
void settings_file::write_dword(const std::string& name, std::uint32_t value) {
  file_->setValue(key(name), QString::number(value));
}

void settings_file::write_binary(const std::string& name, const std::vector<std::uint8_t>& value) {
  file_->setValue(key(name), QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
}

bool settings_file::readable() const { return file_->status() != QSettings::AccessError; }

int settings_file::sync() {
  file_->sync();
  return file_->status() == QSettings::NoError ? 1 : -1;
}

QString settings_file::path() const { return file_->fileName(); }

}  // namespace nw

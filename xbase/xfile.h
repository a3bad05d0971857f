// A POSIX file descriptor owner with whole-buffer positioned reads and writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace nw {

class xfile {
 public:
  xfile() = default;
  xfile(const xfile&) = delete;
  xfile& operator=(const xfile&) = delete;
  xfile(xfile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  xfile& operator=(xfile&& other) noexcept;
  ~xfile() { close(); }

  // 1 open, -1 with error set; create truncates or makes the file.
  [[nodiscard]] int open(const std::string& path, bool create, std::string& error);
  void close();
  [[nodiscard]] bool is_open() const { return fd_ >= 0; }
  // Size in bytes, or -1.
  [[nodiscard]] std::int64_t size() const;
  // 1 when all bytes were transferred, -1 otherwise (a short read is a failure).
  [[nodiscard]] int read_at(std::uint64_t offset, std::span<std::uint8_t> out) const;
  [[nodiscard]] int write_at(std::uint64_t offset, std::span<const std::uint8_t> in) const;
  [[nodiscard]] int truncate(std::uint64_t length) const;
  [[nodiscard]] int sync() const;

 private:
  int fd_ = -1;
};

// 1 when the file exists.
[[nodiscard]] bool xfile_exists(const std::string& path);
// Writes bytes to path + ".tmp" and renames it over path, so readers see the old or the new file.
[[nodiscard]] int xfile_replace(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace nw

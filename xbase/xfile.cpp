// POSIX file owner for the table and index files.
#include "xbase/xfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nw {

xfile& xfile::operator=(xfile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int xfile::open(const std::string& path, bool create, std::string& error) {
  close();
  int flags = O_RDWR | O_CLOEXEC;
  if (create) flags |= O_CREAT | O_TRUNC;
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) {
    error = path + ": " + std::strerror(errno);
    return -1;
  }
  return 1;
}

void xfile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::int64_t xfile::size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int xfile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += static_cast<std::size_t>(n);
  }
  return 1;
}

int xfile::write_at(std::uint64_t offset, std::span<const std::uint8_t> in) const {
  std::size_t done = 0;
  while (done < in.size()) {
    ssize_t n = pwrite(fd_, in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += static_cast<std::size_t>(n);
  }
  return 1;
}

int xfile::truncate(std::uint64_t length) const {
  return ftruncate(fd_, static_cast<off_t>(length)) == 0 ? 1 : -1;
}

int xfile::sync() const { return fsync(fd_) == 0 ? 1 : -1; }

bool xfile_exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

int xfile_replace(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
  const std::string tmp = path + ".tmp";
  xfile f;
  if (f.open(tmp, true, error) < 0) return -1;
  if (f.write_at(0, bytes) < 0 || f.sync() < 0) {
    error = tmp + ": write failed";
    f.close();
    std::remove(tmp.c_str());
    return -1;
  }
  f.close();
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    return -1;
  }
  return 1;
}

}  // namespace nw

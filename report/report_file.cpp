// Report files: buffered writes with the first failure kept for the close.
#include "report/report_file.h"

#include <cerrno>
#include <system_error>
#include <utility>

#include "report/report_escape.h"

namespace nw {
namespace {

void set_reason(std::string* error, const char* what, const std::string& path, int code) {
  if (error == nullptr) return;
  *error = std::string(what) + path + ": " + std::generic_category().message(code);
}

// The reason of a stdio failure; errno is cleared before the call, and a library that fails
// without setting it still counts as an input/output error.
int failure_code() { return errno != 0 ? errno : EIO; }

}  // namespace

void report_file::put(std::string_view bytes) {
  if (error_ != 0 || bytes.empty()) return;
  if (!stream_) {
    error_ = EBADF;
    return;
  }
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_.get()) != bytes.size()) {
    error_ = failure_code();
  }
}

int report_file_open(report_file& file, std::string path, report_format format,
                     std::string* error) {
  file.stream_.reset();
  file.format_ = format;
  file.path_ = std::move(path);
  file.error_ = 0;
  // Text mode, as the reports have always been written; on this platform it changes nothing.
  file.stream_.reset(std::fopen(file.path_.c_str(), "w"));
  if (!file.stream_) {
    set_reason(error, "cannot open ", file.path_, errno);
    return -1;
  }
  return 1;
}

int report_file_close(report_file& file, std::string* error) {
  if (!file.stream_ && file.error_ == 0) return 0;
  if (file.stream_) {
    // A full disk often shows only when the buffer goes out, at the flush or the close.
    errno = 0;
    if (std::fflush(file.stream_.get()) != 0 && file.error_ == 0) file.error_ = failure_code();
    errno = 0;
    if (std::fclose(file.stream_.release()) != 0 && file.error_ == 0) {
      file.error_ = failure_code();
    }
  }
  const int code = file.error_;
  file.error_ = 0;
  if (code == 0) return 1;
  set_reason(error, "cannot write ", file.path_, code);
  return -1;
}

void report_write_markup(report_file& file, report_markup markup) { file.put(markup.view()); }

void report_write_text(report_file& file, report_text text) {
  file.escaped_.clear();
  report_escape_append(file.escaped_, text.view(), file.format_);
  file.put(file.escaped_);
}

}  // namespace nw

// One open report file of one format: the only way bytes reach a report.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "report/report_format.h"

namespace nw {

// Owns the stream; dropping an open file closes it without a word, so a run that wants to
// know whether its report reached the disk ends with report_file_close. The first failed
// write is kept and later writes are skipped: a generator writes freely and checks once.
// One thread at a time.
class report_file {
 public:
  [[nodiscard]] report_format format() const { return format_; }
  [[nodiscard]] bool is_open() const { return stream_ != nullptr; }
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  friend int report_file_open(report_file& file, std::string path, report_format format,
                              std::string* error);
  friend int report_file_close(report_file& file, std::string* error);
  friend void report_write_markup(report_file& file, report_markup markup);
  friend void report_write_text(report_file& file, report_text text);

  void put(std::string_view bytes);

  struct stream_close {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
  };
  std::unique_ptr<std::FILE, stream_close> stream_;
  report_format format_ = REPORT_TXT;
  std::string path_;
  int error_ = 0;        // errno of the first failed write or open, 0 while all went well
  std::string escaped_;  // reused for each escaped text
};

// Opens path for writing (text mode, truncating an earlier report) as a file of format.
// 1 done; -1 with the reason in *error (when error is not null) and the file left closed.
[[nodiscard]] int report_file_open(report_file& file, std::string path, report_format format,
                                   std::string* error);

// Flushes and closes. 1 when every write since the open reached the file; 0 when the file was
// not open; -1 with the first failure's reason in *error. The file is closed in every case.
[[nodiscard]] int report_file_close(report_file& file, std::string* error);

// Writes the report's own markup as it stands.
void report_write_markup(report_file& file, report_markup markup);

// Writes text escaped for the file's format, with nothing around it (report_escape_append).
void report_write_text(report_file& file, report_text text);

}  // namespace nw

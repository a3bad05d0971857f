// Helpers shared by the report tests: a scratch folder, whole files, and the real readers the
// reports are checked with (unrtf for RTF, Python's html.parser for HTML).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/file_read.h"

namespace nw::test {

namespace fs = std::filesystem;

inline std::string read_whole(const fs::path& path) {
  std::string bytes;
  EXPECT_EQ(file_read_all(path.string(), &bytes), file_read_result::done) << path;
  return bytes;
}

// The standard output of a shell command (empty when it could not start); it must succeed.
inline std::string run_command(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    EXPECT_EQ(::pclose(pipe), 0) << command;
  }
  return out;
}

inline bool have_command(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A fresh folder under the system's temporary directory, removed with its contents.
class scratch_dir {
 public:
  scratch_dir() {
    std::string pattern = (fs::temp_directory_path() / "nodewren-report-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~scratch_dir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// unrtf's HTML output with its numeric character references put back as UTF-8 (surrogates
// joined): what a reader shows of the RTF file, in every script.
inline std::string rtf_as_read(const fs::path& rtf) {
  return run_command(
      "unrtf --html '" + rtf.string() +
      "' | python3 -c 'import re,sys; t=re.sub(r\"&#([0-9]+);\", lambda m: chr(int(m[1])),"
      " sys.stdin.read()); sys.stdout.buffer.write(t.encode(\"utf-16\", \"surrogatepass\")"
      ".decode(\"utf-16\").encode())'");
}

// What Python's html.parser makes of an HTML file: its start tags joined by blanks, and its text.
struct parsed_html {
  std::string tags;
  std::string text;
};

inline parsed_html parse_html(const fs::path& html, const fs::path& scratch) {
  std::ofstream(scratch / "tags.py") << R"(import sys
from html.parser import HTMLParser
class Tags(HTMLParser):
    tags, text = [], []
    def handle_starttag(self, tag, attrs): self.tags.append(tag)
    def handle_data(self, data): self.text.append(data)
p = Tags()
p.feed(open(sys.argv[1], encoding="utf-8").read())
p.close()
sys.stdout.write(" ".join(p.tags) + "\n" + "".join(p.text))
)";
  const std::string out = run_command("python3 '" + (scratch / "tags.py").string() + "' '" + html.string() + "'");
  const std::size_t newline = out.find('\n');
  if (newline == std::string::npos) return {out, ""};
  return {out.substr(0, newline), out.substr(newline + 1)};
}

// Every calendar text ("Sun Dec  6 12:29:03 2026") replaced by CALENDAR_MASK: report times come
// from the clock.
inline constexpr std::string_view CALENDAR_MASK = "Www Mmm dd hh:mm:ss yyyy";

inline bool is_calendar_text(std::string_view t) {
  constexpr std::string_view days = "MonTueWedThuFriSatSun";
  constexpr std::string_view months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const auto digit = [&](std::size_t i) { return t[i] >= '0' && t[i] <= '9'; };
  const auto name_in = [&](std::size_t at, std::string_view names) {
    for (std::size_t n = 0; n < names.size(); n += 3)
      if (t.substr(at, 3) == names.substr(n, 3)) return true;
    return false;
  };
  return t.size() >= CALENDAR_MASK.size() && name_in(0, days) && t[3] == ' ' && name_in(4, months) &&
         t[7] == ' ' && (t[8] == ' ' || digit(8)) && digit(9) && t[10] == ' ' && digit(11) && digit(12) &&
         t[13] == ':' && digit(14) && digit(15) && t[16] == ':' && digit(17) && digit(18) && t[19] == ' ' &&
         digit(20) && digit(21) && digit(22) && digit(23);
}

inline std::string mask_calendar_texts(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (is_calendar_text(text.substr(i, CALENDAR_MASK.size()))) {
      out += CALENDAR_MASK;
      i += CALENDAR_MASK.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace nw::test

// The report writer: each operation's bytes in the three formats, text that must not become
// markup, broken UTF-8, write failures reaching the caller, and real readers of what it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "report/report_escape.h"
#include "report/report_set.h"
#include "report/report_utils.h"
#include "tests/report_test_support.h"

namespace nw {
namespace {

namespace fs = std::filesystem;
using namespace std::literals;

// Markup comes only from literals: no runtime text converts to it.
static_assert(!std::is_constructible_v<report_markup, const char*>);
static_assert(!std::is_constructible_v<report_markup, std::string>);
static_assert(!std::is_constructible_v<report_markup, std::string_view>);

constexpr std::string_view RTF_HEADER =
    "{\\rtf1\\ansi \\deff4\\deflang1033{\\fonttbl{\\f3\\fcourier\\fcharset0\\fprq0 Courier New;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;"
    "\\red0\\green255\\blue0;\\red255\\green0\\blue255;\\red255\\green0\\blue0; }";

// U+1F5A7, beyond the 16-bit range: RTF must write it as a surrogate pair.
constexpr std::string_view NETWORK_SIGN = "\xF0\x9F\x96\xA7";
constexpr std::string_view HOSTILE_HOST =
    "<script>alert(\"x&y\")</script><img src=x onerror=alert(2)> {srv}\\share";

using test::have_command;
using test::read_whole;

class Report : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  // The bytes that write puts into a fresh file of format.
  std::string written(report_format format, const std::function<void(report_file&)>& write) {
    const fs::path path = dir_ / ("one."s + report_ext(format));
    report_file file;
    std::string error;
    EXPECT_EQ(report_file_open(file, path.string(), format, &error), 1) << error;
    write(file);
    EXPECT_EQ(report_file_close(file, &error), 1) << error;
    return read_whole(path);
  }

  // A whole report set at dir_/name in the order every report uses.
  void write_report(const std::string& name, report_text title, report_text host) {
    report_set set;
    std::string error;
    ASSERT_EQ(report_set_open(set, (dir_ / name).string(), &error), 1) << error;
    for (report_file& file : set.files) {
      report_write_header(file);
      report_write_title(file, title);
      report_write_line(file, host);
      report_write_bold(file, host);
      report_write_italic(file, host);
      report_write_footer(file);
      report_write_trailer(file);
    }
    ASSERT_EQ(report_set_close(set, &error), 1) << error;
  }

  test::scratch_dir scratch_;
  const fs::path& dir_ = scratch_.path();
};

TEST_F(Report, EveryOperationWritesItsExactBytesInEachFormat) {
  struct row {
    const char* what;
    std::function<void(report_file&)> write;
    std::array<std::string_view, REPORT_FORMAT_COUNT> expected;  // TXT, RTF, HTML
  };
  const row rows[] = {
      {"header", report_write_header,
       {"", RTF_HEADER,
        "<HTML>\n<HEAD><META CHARSET=\"UTF-8\"></HEAD>\n"
        "<BODY LINK=\"#FFFFFF\" VLINK=\"#FFFF00\"BGCOLOR=#ffead0>\n"}},
      {"line", [](report_file& f) { report_write_line(f, "Peak Network Load = 12"); },
       {"Peak Network Load = 12\n", "\\par     {\\plain\\f3\\fs20 Peak Network Load = 12  }",
        "Peak Network Load = 12<BR>"}},
      {"empty line", [](report_file& f) { report_write_line(f, ""); },
       {"\n", "\\par     {\\plain\\f3\\fs20   }", "<BR>"}},
      {"small", [](report_file& f) { report_write_small(f, "note"); },
       {"note\n", "\\par     {\\f3\\fs18 note  }", "note<BR>"}},
      {"bold", [](report_file& f) { report_write_bold(f, "Top 3 Senders"); },
       {"Top 3 Senders\n", "\\par     {\\f3\\fs20\\b Top 3 Senders  }",
        "<B>Top 3 Senders</B><BR>"}},
      {"empty bold", [](report_file& f) { report_write_bold(f, nullptr); },
       {"\n", "\\par     {\\f3\\fs20\\b   }", "<B></B><BR>"}},
      {"italic", [](report_file& f) { report_write_italic(f, "Packets"); },
       {"Packets\n", "\\par     {\\i Packets  }", "<I>Packets</I>"}},
      {"title", [](report_file& f) { report_write_title(f, "Host Report"); },
       {"Host Report\n\n\n",
        "\\par\\qc\n\\par     {\\f3\\fs20\\b \\fs28  }\\par     {\\f3\\fs20\\b Host Report  }",
        "<CENTER><H2><B>Host Report</B></H2><P>"}},
      {"footer", report_write_footer,
       {"produced by Nodewren - a LAN traffic monitor from Korvane Software, Inc.\n",
        "\\par     {\\f3\\fs18 \\par  produced by  Nodewren  - a LAN traffic monitor from  "
        "Korvane Software, Inc.\n  }",
        "<CENTER><HR WIDTH=75%><FONT SIZE=-6> produced by  Nodewren  - a LAN traffic monitor "
        "from <A HREF=\"https://korvane.example/nodewren\"> Korvane Software, Inc. "
        "</A></FONT></CENTER>\n"}},
      {"trailer", report_write_trailer, {"", "}", "</BODY></HTML>"}},
  };
  for (const row& r : rows) {
    for (const report_format format : REPORT_FORMATS) {
      EXPECT_EQ(written(format, r.write), r.expected[format])
          << r.what << " in " << report_ext(format);
    }
  }
}

TEST_F(Report, HostileTextIsEscapedWhereItLandsAndNowhereElse) {
  const auto line = [](report_file& f) { report_write_line(f, HOSTILE_HOST); };
  EXPECT_EQ(written(REPORT_TXT, line), std::string(HOSTILE_HOST) + "\n");
  EXPECT_EQ(written(REPORT_RTF, line),
            "\\par     {\\plain\\f3\\fs20 <script>alert(\"x&y\")</script>"
            "<img src=x onerror=alert(2)> \\{srv\\}\\\\share  }");
  EXPECT_EQ(written(REPORT_HTML, line),
            "&lt;script&gt;alert(&quot;x&amp;y&quot;)&lt;/script&gt;"
            "&lt;img src=x onerror=alert(2)&gt; {srv}\\share<BR>");
  // The title is text too, even inside the report's own title markup.
  EXPECT_EQ(written(REPORT_HTML, [](report_file& f) { report_write_title(f, "</H2>"); }),
            "<CENTER><H2><B>&lt;/H2&gt;</B></H2><P>");
  EXPECT_EQ(written(REPORT_RTF, [](report_file& f) { report_write_text(f, "}\\par{"); }),
            "\\}\\\\par\\{");
}

TEST(ReportEscape, CharactersBeyondAsciiBecomeUnicodeEscapesInRtfOnly) {
  const std::string text = "\xC3\xA9 \xD0\xA5\xD0\xBE\xD1\x81\xD1\x82 \xEF\xBC\x81 "s +
                           std::string(NETWORK_SIGN);  // é Хост ！ U+1F5A7
  const auto escaped = [&](report_format format) {
    std::string out = "kept:";
    report_escape_append(out, text, format);
    return out;
  };
  // 16-bit units above 0x7FFF are negative; U+1F5A7 is the pair D83D DDA7.
  EXPECT_EQ(escaped(REPORT_RTF),
            "kept:\\u233\\'3f \\u1061\\'3f\\u1086\\'3f\\u1089\\'3f\\u1090\\'3f \\u-255\\'3f "
            "\\u-10179\\'3f\\u-8793\\'3f");
  EXPECT_EQ(escaped(REPORT_TXT), "kept:" + text);
  EXPECT_EQ(escaped(REPORT_HTML), "kept:" + text);
}

TEST(ReportEscape, BrokenUtf8BecomesOneReplacementPerBadByte) {
  struct row {
    std::string_view input, txt, rtf;
  };
  const row rows[] = {
      {"a\xFF" "b", "a\xEF\xBF\xBD" "b", "a\\u-3\\'3fb"},
      {"\xC3", "\xEF\xBF\xBD", "\\u-3\\'3f"},  // cut short at the end
      {"\xE2\x82" "\xC3\xA9", "\xEF\xBF\xBD\xEF\xBF\xBD\xC3\xA9", "\\u-3\\'3f\\u-3\\'3f\\u233\\'3f"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", "\\u-3\\'3f\\u-3\\'3f"},  // overlong "/"
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
       "\\u-3\\'3f\\u-3\\'3f\\u-3\\'3f"},  // surrogate
      {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
       "\\u-3\\'3f\\u-3\\'3f\\u-3\\'3f\\u-3\\'3f"},  // beyond U+10FFFF
      {"a\0b"sv, "a\xEF\xBF\xBD" "b", "a\\u-3\\'3fb"},
      {"\x80{", "\xEF\xBF\xBD{", "\\u-3\\'3f\\{"},  // a stray continuation byte does not eat "{"
      {"\xC3\xA9"sv.substr(0, 1), "\xEF\xBF\xBD", "\\u-3\\'3f"},  // the text ends inside a character
  };
  for (const row& r : rows) {
    std::string txt, rtf, html;
    report_escape_append(txt, r.input, REPORT_TXT);
    report_escape_append(rtf, r.input, REPORT_RTF);
    report_escape_append(html, r.input, REPORT_HTML);
    EXPECT_EQ(txt, r.txt) << testing::PrintToString(r.input);
    EXPECT_EQ(rtf, r.rtf) << testing::PrintToString(r.input);
    EXPECT_EQ(html, r.txt) << testing::PrintToString(r.input);
  }
}

TEST_F(Report, SetWritesThreeFilesNamedByTheBaseAndAnotherRunOverwritesThem) {
  write_report("hostrep", "Monitored Host Statistics", "router-1");
  for (const report_format format : REPORT_FORMATS) {
    EXPECT_NE(read_whole(dir_ / ("hostrep."s + report_ext(format))).find("router-1"),
              std::string::npos);
  }
  write_report("hostrep", "T", "h");
  EXPECT_EQ(read_whole(dir_ / "hostrep.txt"),
            "T\n\n\nh\nh\nh\nproduced by Nodewren - a LAN traffic monitor from Korvane "
            "Software, Inc.\n");
}

TEST_F(Report, SetThatCannotOpenEveryFileOpensNone) {
  report_set set;
  std::string error;
  EXPECT_EQ(report_set_open(set, (dir_ / "missing" / "statsrep").string(), &error), -1);
  EXPECT_NE(error.find("statsrep.txt"), std::string::npos) << error;

  // The RTF name is taken by a folder: the text file opened first is closed again.
  fs::create_directory(dir_ / "alarmrep.rtf");
  EXPECT_EQ(report_set_open(set, (dir_ / "alarmrep").string(), &error), -1);
  EXPECT_NE(error.find("alarmrep.rtf"), std::string::npos) << error;
  for (const report_file& file : set.files) EXPECT_FALSE(file.is_open());
  EXPECT_EQ(report_set_close(set, &error), 0);
}

TEST_F(Report, FullDiskComesOutOfTheCloseWithTheFileNamed) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
  fs::create_symlink("/dev/full", dir_ / "statsrep.html");
  // A short report fails only when the stream's buffer goes out at the close; a long one
  // already while it is written.
  for (const int rows : {0, 2000}) {
    report_set set;
    std::string error;
    ASSERT_EQ(report_set_open(set, (dir_ / "statsrep").string(), &error), 1) << error;
    for (report_file& file : set.files) {
      report_write_header(file);
      for (int i = 0; i < rows; ++i) report_write_line(file, "a row of the statistics table");
      report_write_trailer(file);
    }
    EXPECT_EQ(report_set_close(set, &error), -1) << rows << " rows";
    EXPECT_NE(error.find("statsrep.html"), std::string::npos) << error;
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    // The failure of one file leaves the others written in full.
    EXPECT_EQ(read_whole(dir_ / "statsrep.rtf").back(), '}');
  }
}

TEST_F(Report, RtfReaderShowsRussianTitleAndHostWithBraces) {
  if (!have_command("unrtf")) GTEST_SKIP() << "unrtf is not installed";
  const std::string title = "Доклад о тревогах "s + std::string(NETWORK_SIGN);
  write_report("alarmrep", title, "srv{1}\\x");
  const std::string rtf = (dir_ / "alarmrep.rtf").string();
  const std::string bytes = read_whole(rtf);
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; }));

  EXPECT_NE(test::run_command("unrtf --text " + rtf).find("srv{1}\\x"), std::string::npos);
  // The reader's text output is ASCII only; its HTML output gives the characters as numeric
  // references, surrogates one by one.
  const std::string decoded = test::rtf_as_read(rtf);
  EXPECT_NE(decoded.find(title), std::string::npos) << decoded;
}

TEST_F(Report, HtmlParserMakesNoElementOfAHostileHost) {
  if (!have_command("python3")) GTEST_SKIP() << "python3 is not installed";
  write_report("hostrep", "Хост", HOSTILE_HOST);
  const test::parsed_html parsed = test::parse_html(dir_ / "hostrep.html", dir_);
  const std::string& tags = parsed.tags;
  EXPECT_EQ(tags, "html head meta body center h2 b p br b br i center hr font a");
  // The host reads back as the characters it had, three times (line, bold, italic).
  const std::string& text = parsed.text;
  const std::string host(HOSTILE_HOST);
  std::size_t seen = 0;
  for (std::size_t at = text.find(host); at != std::string::npos; at = text.find(host, at + 1)) {
    ++seen;
  }
  EXPECT_EQ(seen, 3U) << text;
  EXPECT_NE(text.find("Хост"), std::string::npos);
}

}  // namespace
}  // namespace nw

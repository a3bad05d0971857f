// The shared report operations, as tables of markup by format.
#include "report/report_utils.h"

#include <cstdint>

#include "core/str_cache.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCED_BY = 50696;
constexpr std::uint32_t STR_PROGRAM_NAME = 50000;
constexpr std::uint32_t STR_MAKER_NAME = 50004;
constexpr const char* NOTICE = " - a LAN traffic monitor from ";

// The markup around the text of one line-shaped operation, by format.
struct line_frame {
  report_markup before;
  report_markup after;
};
using frames = line_frame[REPORT_FORMAT_COUNT];

// RTF paragraphs start with "\par" and five blanks and end their group after two blanks;
// readers that show the blanks indent every line alike.
constexpr frames LINE = {{"", "\n"}, {"\\par     {\\plain\\f3\\fs20 ", "  }"}, {"", "<BR>"}};
constexpr frames SMALL = {{"", "\n"}, {"\\par     {\\f3\\fs18 ", "  }"}, {"", "<BR>"}};
constexpr frames BOLD = {{"", "\n"}, {"\\par     {\\f3\\fs20\\b ", "  }"}, {"<B>", "</B><BR>"}};
constexpr frames ITALIC = {{"", "\n"}, {"\\par     {\\i ", "  }"}, {"<I>", "</I>"}};

constexpr report_markup HEADER[REPORT_FORMAT_COUNT] = {
    "",
    "{\\rtf1\\ansi \\deff4\\deflang1033{\\fonttbl{\\f3\\fcourier\\fcharset0\\fprq0 Courier New;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;"
    "\\red0\\green255\\blue0;\\red255\\green0\\blue255;\\red255\\green0\\blue0; }",
    // The texts are UTF-8; without the declaration a browser guesses a code page.
    "<HTML>\n<HEAD><META CHARSET=\"UTF-8\"></HEAD>\n"
    "<BODY LINK=\"#FFFFFF\" VLINK=\"#FFFF00\"BGCOLOR=#ffead0>\n"};

constexpr report_markup TRAILER[REPORT_FORMAT_COUNT] = {"", "}", "</BODY></HTML>"};

void write_framed(report_file& file, const frames& frame, report_text text) {
  const line_frame& f = frame[file.format()];
  report_write_markup(file, f.before);
  report_write_text(file, text);
  report_write_markup(file, f.after);
}

using write_fn = void (*)(report_file& file, report_text text);

void title_txt(report_file& file, report_text text) {
  report_write_bold(file, text);
  report_write_line(file, "\n");
}

// The size change sits in a group of its own and so leaves the title at the bold line's size;
// readers have always shown the title that way.
void title_rtf(report_file& file, report_text text) {
  report_write_markup(file, "\\par\\qc\n");
  report_write_bold_markup(file, "\\fs28");
  report_write_bold(file, text);
}

void title_html(report_file& file, report_text text) {
  report_write_markup(file, "<CENTER><H2><B>");
  report_write_text(file, text);
  report_write_markup(file, "</B></H2><P>");
}

constexpr write_fn TITLE[REPORT_FORMAT_COUNT] = {title_txt, title_rtf, title_html};

using footer_fn = void (*)(report_file& file);

void footer_txt(report_file& file) {
  for (const char* piece : {str_get(STR_PRODUCED_BY), str_get(STR_PROGRAM_NAME), NOTICE,
                            str_get(STR_MAKER_NAME), "\n"}) {
    report_write_text(file, piece);
  }
}

// One small paragraph holding "\par " and the four credit pieces, each behind a blank.
void footer_rtf(report_file& file) {
  report_write_markup(file, SMALL[REPORT_RTF].before);
  report_write_markup(file, "\\par ");
  for (const char* piece : {str_get(STR_PRODUCED_BY), str_get(STR_PROGRAM_NAME), NOTICE,
                            str_get(STR_MAKER_NAME)}) {
    report_write_text(file, " ");
    report_write_text(file, piece);
  }
  report_write_text(file, "\n");
  report_write_markup(file, SMALL[REPORT_RTF].after);
}

// Six blank-separated pieces; the notice ends by opening the link that the last piece closes.
void footer_html(report_file& file) {
  report_write_markup(file, "<CENTER><HR WIDTH=75%><FONT SIZE=-6> ");
  report_write_text(file, str_get(STR_PRODUCED_BY));
  report_write_text(file, " ");
  report_write_text(file, str_get(STR_PROGRAM_NAME));
  report_write_text(file, " ");
  report_write_text(file, NOTICE);
  report_write_markup(file, "<A HREF=\"https://korvane.example/nodewren\"> ");
  report_write_text(file, str_get(STR_MAKER_NAME));
  report_write_markup(file, " </A></FONT></CENTER>\n");
}

constexpr footer_fn FOOTER[REPORT_FORMAT_COUNT] = {footer_txt, footer_rtf, footer_html};

}  // namespace

void report_write_header(report_file& file) { report_write_markup(file, HEADER[file.format()]); }

void report_write_line(report_file& file, report_text text) { write_framed(file, LINE, text); }

void report_write_small(report_file& file, report_text text) { write_framed(file, SMALL, text); }

void report_write_bold(report_file& file, report_text text) { write_framed(file, BOLD, text); }

void report_write_italic(report_file& file, report_text text) { write_framed(file, ITALIC, text); }

void report_write_bold_markup(report_file& file, report_markup markup) {
  const line_frame& f = BOLD[file.format()];
  report_write_markup(file, f.before);
  report_write_markup(file, markup);
  report_write_markup(file, f.after);
}

void report_write_title(report_file& file, report_text text) { TITLE[file.format()](file, text); }

void report_write_footer(report_file& file) { FOOTER[file.format()](file); }

void report_write_trailer(report_file& file) { report_write_markup(file, TRAILER[file.format()]); }

}  // namespace nw

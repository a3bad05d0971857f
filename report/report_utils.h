// The writing operations shared by every report: one logical line turned into the markup of
// the file's format, and the document's header, title, footer and trailer.
//
// A generator applies each operation to the three files of its report set in turn. Text
// arguments are always escaped for the file (report_text); the generator's own markup, such as
// HTML table rows, goes through report_write_markup, and the values inside it through
// report_write_text. Write failures are kept by the file and come out of report_set_close.
#pragma once

#include "report/report_file.h"

namespace nw {

// TXT nothing; RTF the document group with its font and colour tables; HTML the document
// start, declaring UTF-8.
void report_write_header(report_file& file);

// TXT text and a newline; RTF a paragraph in 10-point Courier; HTML text and <BR>.
void report_write_line(report_file& file, report_text text);
// As a line, 9-point in RTF.
void report_write_small(report_file& file, report_text text);
// As a line, bold in RTF and HTML.
void report_write_bold(report_file& file, report_text text);
// As a line, italic in RTF and HTML; in HTML no line break follows.
void report_write_italic(report_file& file, report_text text);
// As a bold line whose content is the report's own markup (an RTF size or paragraph change).
void report_write_bold_markup(report_file& file, report_markup markup);

// TXT the title bold and two empty lines; RTF a centred bold paragraph; HTML a centred <H2>.
void report_write_title(report_file& file, report_text text);

// The credit line: "produced by ", the program's name, a short notice and the maker's name
// (in HTML a link to the maker's home page).
void report_write_footer(report_file& file);

// TXT nothing; RTF the closing brace; HTML the end of the document.
void report_write_trailer(report_file& file);

}  // namespace nw

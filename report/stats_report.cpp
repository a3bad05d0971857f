// The network statistics report's body. The four ranked sections share one writer and differ
// by a row of the section table; then the protocol summary and the overall statistics.
#include "report/stats_report.h"

#include <array>
#include <cinttypes>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "alarm/alarm.h"
#include "core/str_cache.h"
#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd_stat.h"
#include "report/report_table.h"
#include "report/report_utils.h"
#include "stats/link_topn.h"

namespace nw {
namespace {

using write_fn = void (*)(report_file& file, report_text text);

constexpr std::size_t MAX_COLUMNS = 3;

// One entry of a ranking: its label and value as the text table shows them, and the texts of
// its HTML cells.
struct ranked_row {
  std::string label;
  std::uint64_t value = 0;
  std::array<std::string, MAX_COLUMNS> cells;
};

// One ranked section's texts and markup.
struct section_shape {
  std::uint32_t title;         // "Top %d Senders"
  std::uint32_t text_heading;  // the text table's column headings
  write_fn txt_heading;
  write_fn rtf_heading;
  report_markup title_row;  // the HTML title cell's start
  bool gap_after_title;     // an empty HTML line after the title row
  std::size_t columns;
  std::array<report_markup, MAX_COLUMNS> heading_cells;  // each heading cell's start
  std::array<std::uint32_t, MAX_COLUMNS> headings;
  report_markup heading_end;
  std::array<report_markup, MAX_COLUMNS> data_cells;  // each data cell's start
  std::array<bool, MAX_COLUMNS> cell_is_line;         // written as a line (with its <BR>)
};

constexpr report_markup TITLE_ROW_2 =
    "\n<TR>\n<TD WIDTH=100% BGCOLOR=#000090 COLSPAN=2> <FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">\n";

// Senders and receivers differ only by their title.
constexpr section_shape hosts_shape(std::uint32_t title) {
  return {title,
          50738,
          report_write_line,
          report_write_line,
          TITLE_ROW_2,
          false,
          2,
          {"<TR BGCOLOR = #255199>\n<TD WIDTH=80%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">",
           "</TD>\n<TD WIDTH=20%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">", ""},
          {50740, 50734, 0},
          "</TD>\n</TR>\n",
          {"<TD WIDTH=50%><FONT SIZE = -1 FACE=\"Arial\">",
           "</TD>\n<TD WIDTH=50%><FONT SIZE = -1 FACE=\"Arial\">\n", ""},
          {true, false, false}};
}

constexpr section_shape SENDERS = hosts_shape(50742);
constexpr section_shape RECEIVERS = hosts_shape(50736);

constexpr section_shape ALARMS = {
    50716,
    50722,
    report_write_bold,
    report_write_bold,
    TITLE_ROW_2,
    true,
    2,
    {"<TR BGCOLOR = #255199>\n <TD WIDTH=80%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">",
     "</TD>\n <TD WIDTH=20%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">", ""},
    {50718, 50720, 0},
    "</TD>\n</TR>\n",
    {"<TD WIDTH=80%><FONT SIZE = -1 FACE=\"Arial\">", "</TD>\n<TD WIDTH=20%><FONT SIZE = -1 FACE=\"Arial\">\n", ""},
    {true, false, false}};

constexpr section_shape LINKS = {
    50726,
    50728,
    report_write_bold,
    report_write_line,
    "\n<TR>\n<TD WIDTH=100% BGCOLOR=#000090 COLSPAN=3> <FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">\n",
    false,
    3,
    {"<TR BGCOLOR = #255199>\n<TD WIDTH=40%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">",
     "</TD>\n<TD WIDTH=40%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">",
     "</TD>\n<TD WIDTH=20%> <FONT SIZE= +0 COLOR= \"#FFFFFF\">"},
    {50730, 50732, 50734},
    "</TD></TR>\n",
    {"<TD WIDTH=40%><FONT SIZE = -1 FACE=\"Arial\">", "</TD>\n<TD WIDTH=40%><FONT SIZE = -1 FACE=\"Arial\">\n",
     "</TD>\n<TD WIDTH=20%><FONT SIZE = -1 FACE=\"Arial\">\n"},
    {false, false, false}};

constexpr std::uint32_t STR_ACTIVATIONS = 50724;
constexpr std::uint32_t STR_PROTOCOL_SUMMARY = 50744;
constexpr std::uint32_t STR_PROTOCOL_COLUMNS = 50746;  // the text table's column headings
constexpr std::uint32_t STR_PROTOCOL = 50748;
constexpr std::uint32_t STR_BYTES = 50750;
constexpr std::uint32_t STR_PACKETS = 50752;
constexpr std::uint32_t STR_OVERALL = 50710;
constexpr std::uint32_t STR_CONTENT = 50706;
constexpr std::uint32_t STR_VALUE = 50708;
constexpr std::uint32_t STR_PEAK_LOAD = 50712;
constexpr std::uint32_t STR_AVERAGE_LOAD = 50714;

struct protocol_row {
  std::string name;
  double bytes = 0;
  double packets = 0;
};

struct stats_copy {
  std::vector<ranked_row> senders, receivers, alarms, links;
  std::vector<protocol_row> protocols;  // those that carried a byte, in table order
  std::int32_t peak_load = 0;
  float avg_load = 0.0f;
};

std::string number(std::uint64_t value) { return std::to_string(value); }

// The entries in list order, each with the HTML cells that `cells` makes of it.
template <typename Item, typename Cells>
std::vector<ranked_row> copy_ranking(const topn<Item>& ranking, Cells cells) {
  topn_list list;
  topn_get_list(ranking, list);
  std::vector<ranked_row> rows;
  for (std::int32_t i = 0; i < ranking.count; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    rows.push_back({list[at].label, list[at].value, cells(*ranking.entries[at], list[at])});
  }
  return rows;
}

using cells = std::array<std::string, MAX_COLUMNS>;

cells label_and_value(const topn_pair& pair) { return {pair.label, number(pair.value), ""}; }

// The source and destination cells come from the link's two hosts rather than from cutting the
// label at its first comma, which would split a local name that holds a comma.
cells link_cells(const link& l, const topn_pair& pair) {
  return {topn_host_label(*l.src), " " + topn_host_label(*l.dst), number(pair.value)};
}

cells alarm_cells(const topn_pair& pair) {
  return {pair.label, report_printf("   (%" PRIu64 " %s)\n", pair.value, str_text(STR_ACTIVATIONS)), ""};
}

// Caller holds the model lock: sorting moves entries the capture thread also moves.
void copy_model(net& network, const protocol_node* protocols, stats_copy& out) {
  topn_sort(network.senders_rank);
  topn_sort(network.receivers_rank);
  topn_sort(network.links_rank);
  const auto host_cells = [](const node&, const topn_pair& pair) { return label_and_value(pair); };
  out.senders = copy_ranking(network.senders_rank, host_cells);
  out.receivers = copy_ranking(network.receivers_rank, host_cells);
  out.links = copy_ranking(network.links_rank, link_cells);
  for (const pd_stat_row& row : pd_stat_table(protocols)) {
    if (row.bytes > 0) out.protocols.push_back({row.def->name, row.bytes, row.frames});
  }
  out.peak_load = network.peak_load;
  out.avg_load = network.avg_load;
}

// The alarm ranking as it stands: the alarm thread moves an alarm up as it records its firing.
void copy_alarms(net& network, stats_copy& out) {
  std::lock_guard lock(alarm_mutex());
  const auto cells_of = [](const alarm_def&, const topn_pair& pair) { return alarm_cells(pair); };
  out.alarms = copy_ranking(alarm_rank(network), cells_of);
}

void write_html_heading(report_file& f, const section_shape& s) {
  for (std::size_t c = 0; c < s.columns; ++c) {
    report_write_markup(f, s.heading_cells[c]);
    report_write_italic(f, str_text(s.headings[c]));
  }
  report_write_markup(f, s.heading_end);
}

void write_html_row(report_file& f, const section_shape& s, report_row_colours& colours, const ranked_row& row) {
  report_write_markup(f, colours.next());
  for (std::size_t c = 0; c < s.columns; ++c) {
    report_write_markup(f, s.data_cells[c]);
    if (s.cell_is_line[c]) {
      report_write_line(f, row.cells[c]);
    } else {
      report_write_text(f, row.cells[c]);
    }
  }
  report_write_markup(f, "</TD></TR>");
}

// An empty ranking leaves its section out.
void write_section(report_file& f, const section_shape& s, const std::vector<ranked_row>& rows) {
  if (rows.empty()) return;
  const bool html = f.format() == REPORT_HTML;
  if (html) {
    report_write_markup(f, "<CENTER>\n<TABLE WIDTH=90% BORDER=0 CELLSPACING=0>\n");
    report_write_markup(f, s.title_row);
  } else {
    report_write_line(f, "\n\n");
  }
  report_write_bold(f, report_printf(str_text(s.title), static_cast<int>(rows.size())));
  if (html) {
    report_write_markup(f, "\n</TD>\n</TR>\n");
    if (s.gap_after_title) report_write_line(f, "\n\n");
    write_html_heading(f, s);
    report_row_colours colours;
    for (const ranked_row& row : rows) write_html_row(f, s, colours, row);
    report_write_markup(f, "</CENTER>\n</TABLE>\n<BR>\n");
    return;
  }
  const write_fn heading = f.format() == REPORT_TXT ? s.txt_heading : s.rtf_heading;
  heading(f, str_text(s.text_heading));
  for (const ranked_row& row : rows) {
    report_write_line(f, report_column(row.label, 71) + report_printf(" %" PRIu64 "\n", row.value));
  }
}

std::string share(double part, double total) {
  return report_printf("%-12.0f(%5.2f%%)", part, total > 0 ? part * 100 / total : 0.0);
}

struct totals {
  double bytes = 0;
  double packets = 0;
};

void write_protocols_text(report_file& f, const std::vector<protocol_row>& rows, const totals& sum) {
  report_write_line(f, "\n\n");
  report_write_line(f, str_text(STR_PROTOCOL_COLUMNS));
  report_write_line(f, "\n");
  for (const protocol_row& row : rows) {
    report_write_line(f, report_pad(row.name, 20) + " " + share(row.bytes, sum.bytes) + "                 " +
                             share(row.packets, sum.packets) + " ");
  }
}

void write_protocols_html(report_file& f, const std::vector<protocol_row>& rows, const totals& sum) {
  report_write_markup(f, "\n</TD>\n</TR>\n");
  report_write_markup(f, "<TR BGCOLOR = #255199>\n<TD WIDTH=40%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">");
  report_write_italic(f, str_text(STR_PROTOCOL));
  report_write_markup(f, "</TD>\n<TD WIDTH=40%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">");
  report_write_italic(f, str_text(STR_BYTES));
  report_write_markup(f, "</TD>\n<TD WIDTH=20%> <FONT SIZE= +0 COLOR= \"#FFFFFF\">");
  report_write_italic(f, str_text(STR_PACKETS));
  report_write_markup(f, "</TD></TR>\n");
  report_row_colours colours;
  for (const protocol_row& row : rows) {
    report_write_markup(f, colours.next());
    report_write_markup(f, "<TD WIDTH=40%><FONT SIZE = -1 FACE=\"Arial\">");
    report_write_line(f, row.name);
    report_write_markup(f, "</TD>\n<TD WIDTH=40%><FONT SIZE = -1 FACE=\"Arial\">\n");
    report_write_text(f, share(row.bytes, sum.bytes));
    report_write_markup(f, "</TD>\n<TD WIDTH=20%><FONT SIZE = -1 FACE=\"Arial\">\n");
    report_write_text(f, share(row.packets, sum.packets));
    report_write_markup(f, "</TD></TR>");
  }
  report_write_markup(f, "</CENTER>\n</TABLE>\n<BR>\n");
}

// Left out, like an empty ranking, when no protocol carried a byte. The shares are of the
// listed protocols' totals.
void write_protocols(report_file& f, const std::vector<protocol_row>& rows) {
  if (rows.empty()) return;
  totals sum;
  for (const protocol_row& row : rows) {
    sum.bytes += row.bytes;
    sum.packets += row.packets;
  }
  const bool html = f.format() == REPORT_HTML;
  if (html) {
    report_write_markup(f, "<CENTER>\n<TABLE WIDTH=90% BORDER=0 CELLSPACING=0>\n");
    report_write_markup(f, "\n<TR>\n<TD WIDTH=100% BGCOLOR=#000090 COLSPAN=3> <FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">\n");
  } else {
    report_write_line(f, "\n\n");
  }
  report_write_bold(f, str_text(STR_PROTOCOL_SUMMARY));
  if (html) {
    write_protocols_html(f, rows, sum);
  } else {
    write_protocols_text(f, rows, sum);
  }
}

void write_overall_html_row(report_file& f, report_row_colours& colours, const char* label, const std::string& value) {
  report_write_markup(f, colours.next());
  report_write_markup(f, "<TD WIDTH=50%><FONT SIZE=-1 FACE=\"Arial\">");
  report_write_text(f, label);
  report_write_markup(f, "<BR></TD><TD WIDTH=50%><FONT SIZE=-1 FACE=\"Arial\">");
  report_write_text(f, value);
  report_write_markup(f, "</TR>");
}

void write_overall(report_file& f, std::int32_t peak_load, float avg_load) {
  const char* peak_label = str_text(STR_PEAK_LOAD);
  const char* avg_label = str_text(STR_AVERAGE_LOAD);
  const std::string peak = report_printf("%u", static_cast<unsigned>(peak_load));
  const std::string avg = report_printf("%f", static_cast<double>(avg_load));
  if (f.format() != REPORT_HTML) {
    report_write_bold(f, str_text(STR_OVERALL));
    report_write_line(f, std::string(peak_label) + " = " + peak);
    report_write_line(f, std::string(avg_label) + " = " + avg);
    return;
  }
  report_write_markup(f, "<BR><CENTER><TABLE WIDTH=90% BORDER=0 CELLSPACING=0>\n");
  report_write_markup(f, "<TR><TD WIDTH=100% BGCOLOR=#000090 COLSPAN=2> <FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">\n");
  report_write_bold(f, str_text(STR_OVERALL));
  report_write_markup(f, "</TD></TR>\n");
  report_write_markup(f, "<TR BGCOLOR=#255199><TD WIDTH=50%><FONT SIZE=+0 COLOR=#\"FFFFFF\">\n");
  report_write_text(f, str_text(STR_CONTENT));
  report_write_markup(f, "</TD><TD WIDTH=50%><FONT SIZE=+0 COLOR=#\"FFFFFF\">\n");
  report_write_text(f, str_text(STR_VALUE));
  report_write_markup(f, "</TD>");
  report_row_colours colours;
  write_overall_html_row(f, colours, peak_label, peak);
  write_overall_html_row(f, colours, avg_label, avg);
  report_write_markup(f, "</TABLE>");
}

void write_body(report_file& f, const stats_copy& s) {
  write_section(f, SENDERS, s.senders);
  write_section(f, RECEIVERS, s.receivers);
  write_section(f, ALARMS, s.alarms);
  write_section(f, LINKS, s.links);
  write_protocols(f, s.protocols);
  report_write_line(f, "\n\n");
  write_overall(f, s.peak_load, s.avg_load);
}

}  // namespace

report_body stats_report_copy(net* network, const protocol_node* protocols) {
  auto copy = std::make_shared<stats_copy>();
  if (network != nullptr) {
    {
      model_lock lock;
      copy_model(*network, protocols, *copy);
    }
    copy_alarms(*network, *copy);
  }
  return [copy](report_file& f) { write_body(f, *copy); };
}

}  // namespace nw

// The host report's body: one table per host and direction, headed by the host's best name,
// with a row for every protocol the host exchanged with each peer.
#include "report/host_report.h"

#include <cinttypes>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/str_cache.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd_model.h"
#include "report/report_table.h"
#include "report/report_utils.h"

namespace nw {
namespace {

struct traffic_row {
  std::string peer;
  std::string protocol;
  std::uint64_t packets = 0;
  std::uint64_t bytes = 0;
};

struct host_table {
  std::string host;
  std::vector<traffic_row> rows;
};

struct host_tables {
  std::vector<host_table> sent;
  std::vector<host_table> received;
};

// What differs between the sent and the received half of the report.
struct direction {
  std::uint32_t heading;        // "Отправленный трафик:"
  std::uint32_t first_column;   // the peer's column heading in HTML
  std::uint32_t text_heading;   // the column headings of the text and RTF tables
  report_markup html_heading;   // the heading row up to the first column's text
};

constexpr direction SENT = {50536, 50546, 50540,
                            "<TR BGCOLOR = #255199><TD WIDTH=30%><FONT SIZE =+0 COLOR=\"#FFFFFF\">"};
constexpr direction RECEIVED = {50538, 50544, 50542,
                                "<TR BGCOLOR = #255199><TD WIDTH=30%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">"};

constexpr std::uint32_t STR_PROTOCOL = 50548;
constexpr std::uint32_t STR_PACKETS = 50550;
constexpr std::uint32_t STR_BYTES = 50552;

// Every protocol entry of the link, in the order the link first carried it. Caller holds the
// model lock.
void copy_link(const link& l, const node& peer, std::vector<traffic_row>& rows, std::vector<proto_stat>& scratch) {
  for (const auto& stat : link_proto_tree(l, scratch)) {
    rows.push_back({node_best_label(peer), stat.proto->def->name, stat.frames, stat.bytes});
  }
}

// A host with no link in that direction gets no table. Caller holds the model lock.
void copy_host(const node& host, const link_table& links, bool sent, std::vector<host_table>& out) {
  if (links.count() == 0) return;
  host_table& table = out.emplace_back();
  table.host = node_best_label(host);
  std::vector<proto_stat> scratch;
  links.foreach([&](const link* l) { copy_link(*l, sent ? *l->dst : *l->src, table.rows, scratch); });
}

void write_heading(report_file& f, const direction& d) {
  const char* text = str_text(d.heading);
  switch (f.format()) {
    case REPORT_TXT:
      report_write_line(f, "\n");
      report_write_bold(f, text);
      report_write_line(f, "\n");
      break;
    case REPORT_RTF:
      report_write_bold_markup(f, "\\par ");
      report_write_bold(f, text);
      break;
    case REPORT_HTML:
      report_write_markup(f, "<P><B>");
      report_write_text(f, text);
      report_write_markup(f, "</B><P>");
      break;
  }
}

void write_html_column_headings(report_file& f, const direction& d) {
  report_write_markup(f, d.html_heading);
  report_write_italic(f, str_text(d.first_column));
  report_write_markup(f, "</TD><TD WIDTH=40%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">");
  report_write_italic(f, str_text(STR_PROTOCOL));
  report_write_markup(f, "</TD><TD WIDTH=15%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">");
  report_write_italic(f, str_text(STR_PACKETS));
  report_write_markup(f, "</TD><TD WIDTH=15%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">");
  report_write_italic(f, str_text(STR_BYTES));
  report_write_markup(f, "</TD></TR>");
}

void write_html_row(report_file& f, report_row_colours& colours, const traffic_row& row) {
  report_write_markup(f, colours.next());
  report_write_markup(f, "<TD WIDTH=30%><FONT SIZE = -1 FACE=\"Arial\">");
  report_write_text(f, row.peer);
  report_write_markup(f, "</TD><TD WIDTH=40%><FONT SIZE = -1 FACE=\"Arial\">");
  report_write_text(f, row.protocol);
  report_write_markup(f, "</TD><TD WIDTH=15%><FONT SIZE = -1 FACE=\"Arial\">");
  report_write_text(f, std::to_string(row.packets));
  report_write_markup(f, "</TD><TD WIDTH=15%><FONT SIZE = -1 FACE=\"Arial\">");
  report_write_text(f, std::to_string(row.bytes));
  report_write_markup(f, "</TD></TR>");
}

// "%-35.35s %-15.15s %10u %10u", the columns counted in characters.
std::string text_row(const traffic_row& row) {
  return report_column(row.peer, 35) + " " + report_column(row.protocol, 15) +
         report_printf(" %10" PRIu64 " %10" PRIu64, row.packets, row.bytes);
}

void write_table(report_file& f, const direction& d, const host_table& table) {
  const bool html = f.format() == REPORT_HTML;
  if (html) {
    report_write_markup(f, "<CENTER><TABLE WIDTH=90% BORDER=0 CELLSPACING=0>");
    report_write_markup(f, "<TR><TD WIDTH=100% BGCOLOR=#000090 COLSPAN=4> <FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">");
    report_write_bold(f, table.host);
    report_write_markup(f, "</TD></TR>");
    write_html_column_headings(f, d);
    report_row_colours colours;
    for (const traffic_row& row : table.rows) write_html_row(f, colours, row);
    report_write_markup(f, "</CENTER></TABLE><BR>");
    return;
  }
  report_write_line(f, "\n");
  report_write_bold(f, table.host);
  report_write_line(f, str_text(d.text_heading));
  for (const traffic_row& row : table.rows) report_write_line(f, text_row(row));
}

void write_direction(report_file& f, const direction& d, const std::vector<host_table>& tables) {
  write_heading(f, d);
  for (const host_table& table : tables) write_table(f, d, table);
}

}  // namespace

report_body host_report_copy(const net* network) {
  auto tables = std::make_shared<host_tables>();
  if (network != nullptr) {
    model_lock lock;
    for (const auto& host : network->host_list) {
      copy_host(*host, host->links_out, true, tables->sent);
      copy_host(*host, host->links_in, false, tables->received);
    }
  }
  return [tables](report_file& f) {
    write_direction(f, SENT, tables->sent);
    write_direction(f, RECEIVED, tables->received);
  };
}

}  // namespace nw

// The alarm report's body: one table per alarm that fired, its kind, message and count, then a
// row per firing, oldest first. Row colours run on from one table to the next.
#include "report/alarm_report.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "alarm/alarm.h"
#include "core/str_cache.h"
#include "output/event_list.h"
#include "report/report_table.h"
#include "report/report_utils.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_OCCURRENCE = 50250;
constexpr std::uint32_t STR_THRESHOLD = 50252;
constexpr std::uint32_t STR_NOTIFY = 50254;     // "Уведомление о тревоге: %s"
constexpr std::uint32_t STR_TRIGGERED = 50256;  // "Alarm was triggered %d times"
constexpr std::uint32_t STR_TIME = 50698;

struct fired_alarm {
  bool threshold = false;
  std::string message;
  std::vector<std::uint32_t> hits;  // calendar times, oldest first
};

std::vector<fired_alarm> copy_fired() {
  std::vector<fired_alarm> fired;
  // The list is replaced only under this mutex too, and the hits grow only under it.
  std::lock_guard lock(alarm_mutex());
  for (const auto& alarm : alarm_list_current()) {
    if (alarm->hits.size() == 0) continue;
    fired_alarm& f = fired.emplace_back();
    f.threshold = alarm->type == ALARM_THRESHOLD;
    f.message = alarm->message;
    for (const alarm_hit& hit : alarm->hits) f.hits.push_back(hit.time);
  }
  return fired;
}

void write_alarm(report_file& f, const fired_alarm& alarm, report_row_colours& colours) {
  const bool html = f.format() == REPORT_HTML;
  if (html) {
    report_write_markup(f, "<CENTER>\n<TABLE WIDTH=90% BORDER=0 CELLSPACING=0>\n");
    report_write_markup(f, "\n<TR>\n<TD WIDTH=100% BGCOLOR=#000090 COLSPAN=1>");
    report_write_markup(f, "<FONT SIZE=+0 FACE=\"Arial\" COLOR=\"#FFFFFF\">\n");
  }
  report_write_bold(f, str_text(alarm.threshold ? STR_THRESHOLD : STR_OCCURRENCE));
  report_write_bold(f, report_printf(str_text(STR_NOTIFY), alarm.message.c_str()));
  report_write_bold(f, report_printf(str_text(STR_TRIGGERED), static_cast<int>(alarm.hits.size())));
  if (html) {
    report_write_markup(f, "</TD></TR>");
    report_write_line(f, "\n");
    report_write_markup(f, "<TR BGCOLOR = #255199>\n <TD WIDTH=100%> <FONT SIZE =+0 COLOR=\"#FFFFFF\">\n<I>");
    report_write_text(f, str_text(STR_TIME));
    report_write_markup(f, "</I>\n</TD>\n</TR>\n");
  }
  for (const std::uint32_t time : alarm.hits) {
    if (html) {
      report_write_markup(f, colours.next());
      report_write_markup(f, "<TD WIDTH=100%><FONT SIZE = -1 FACE=\"Arial\">");
    }
    report_write_line(f, std::string(output_time_text(time).data()) + "\n");
    if (html) report_write_markup(f, "</TD></TR>");
  }
  report_write_line(f, "\n\n");
  if (html) report_write_markup(f, "</CENTER>\n</TABLE>\n<BR>\n");
}

}  // namespace

report_body alarm_report_copy() {
  auto fired = std::make_shared<const std::vector<fired_alarm>>(copy_fired());
  return [fired](report_file& f) {
    report_row_colours colours;
    for (const fired_alarm& alarm : *fired) write_alarm(f, alarm, colours);
  };
}

}  // namespace nw

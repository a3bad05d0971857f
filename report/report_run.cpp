// Report runs: the frame every report shares around its body, the threads, and the word to
// the viewer or to the event list.
#include "report/report_run.h"

#include <array>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "core/str_cache.h"
#include "output/event_list.h"
#include "report/alarm_report.h"
#include "report/host_report.h"
#include "report/report_dir.h"
#include "report/report_set.h"
#include "report/report_utils.h"
#include "report/stats_report.h"

namespace nw {
namespace {

using copy_fn = report_body (*)(const report_request& request);

report_body copy_hosts(const report_request& r) { return host_report_copy(r.network); }
report_body copy_alarms(const report_request&) { return alarm_report_copy(); }
report_body copy_stats(const report_request& r) { return stats_report_copy(r.network, r.protocols); }

struct kind_row {
  report_kind_info info;
  report_markup rtf_after_period;  // the host report is centred on, the others go back left
  copy_fn copy;
};

constexpr kind_row KINDS[] = {
    {{"hostrep", 50532, 50534}, "\\par\\qc\n", copy_hosts},
    {{"alarmrep", 50248, 50258}, "\\par\\ql\n", copy_alarms},
    {{"statsrep", 50702, 50704}, "\\par\\ql\n", copy_stats},
};

const kind_row& row_of(report_kind kind) { return KINDS[static_cast<std::size_t>(kind)]; }

std::uint32_t now_seconds() { return static_cast<std::uint32_t>(std::time(nullptr)); }

// "Www Mmm dd hh:mm:ss yyyy - Www Mmm dd hh:mm:ss yyyy" and a newline.
std::string period_line(std::uint32_t start, std::uint32_t now) {
  return std::string(output_time_text(start).data()) + " - " + output_time_text(now).data() + "\n";
}

void write_file(report_file& f, const kind_row& kind, const std::string& period, const report_body& body) {
  report_write_header(f);
  report_write_title(f, str_text(kind.info.report_title));
  report_write_line(f, period);
  if (f.format() == REPORT_RTF) report_write_markup(f, kind.rtf_after_period);
  if (f.format() == REPORT_HTML) report_write_markup(f, "<HR WIDTH=75%><P></CENTER>");
  body(f);
  report_write_footer(f);
  report_write_trailer(f);
}

// A viewer that was never told stays empty: the event list says why.
int say_failure(const kind_row& kind, const std::string& reason, std::string* error) {
  output_add_event(std::string(str_text(kind.info.viewer_title)) + " not written: " + reason, now_seconds());
  if (error != nullptr) *error = reason;
  return -1;
}

// A thread for fn; false (with the reason said for kind) when none could be had.
template <typename Fn>
bool start_thread(std::thread& thread, const kind_row& kind, Fn&& fn, std::string* error) {
  try {
    thread = std::thread(std::forward<Fn>(fn));
    return true;
  } catch (const std::system_error& e) {
    (void)say_failure(kind, std::string("cannot start its thread: ") + e.what(), error);
    return false;
  }
}

// The runs report_start began, by kind; joined before the program ends.
std::array<std::thread, std::size(KINDS)> runs;
std::mutex runs_mutex;  // guards runs

}  // namespace

const report_kind_info& report_info(report_kind kind) { return row_of(kind).info; }

int report_base_path(report_kind kind, std::string* base_path) {
  std::string dir;
  std::string error;
  if (report_dir(&dir, &error) != 1) return say_failure(row_of(kind), error, nullptr);
  if (base_path != nullptr) *base_path = dir + "/" + row_of(kind).info.stem;
  return 1;
}

int report_write(const report_request& request, std::string* error) {
  const kind_row& kind = row_of(request.kind);
  // Copied before the files are opened: the locks are never held while writing.
  const report_body body = kind.copy(request);
  const std::string period = period_line(request.start_time, now_seconds());
  report_set set;
  std::string reason;
  if (report_set_open(set, request.base_path, &reason) != 1) return say_failure(kind, reason, error);
  for (report_file& f : set.files) write_file(f, kind, period, body);
  if (report_set_close(set, &reason) != 1) return say_failure(kind, reason, error);
  if (request.notify) request.notify(REPORT_WRITTEN_MESSAGE, request.base_path);
  return 1;
}

void report_start(report_request request) {
  std::lock_guard lock(runs_mutex);
  std::thread& run = runs[static_cast<std::size_t>(request.kind)];
  if (run.joinable()) run.join();
  const kind_row& kind = row_of(request.kind);
  (void)start_thread(run, kind, [request = std::move(request)] { (void)report_write(request, nullptr); }, nullptr);
}

void report_wait_all() {
  std::lock_guard lock(runs_mutex);
  for (std::thread& run : runs) {
    if (run.joinable()) run.join();
  }
}

int report_write_all(net* network, const protocol_node* protocols, std::uint32_t start_time,
                     const std::string& dir, std::vector<std::string>* errors) {
  std::error_code made;
  std::filesystem::create_directories(dir, made);
  std::array<std::string, std::size(KINDS)> reasons;
  std::array<int, std::size(KINDS)> results{};
  std::array<std::thread, std::size(KINDS)> threads;
  for (const report_kind kind : REPORT_KINDS) {
    const auto k = static_cast<std::size_t>(kind);
    report_request request{kind, network, protocols, start_time, dir + "/" + KINDS[k].info.stem, {}};
    const auto run = [&results, &reasons, k, request = std::move(request)] {
      results[k] = report_write(request, &reasons[k]);
    };
    if (!start_thread(threads[k], KINDS[k], run, &reasons[k])) results[k] = -1;
  }
  int failures = 0;
  for (std::size_t k = 0; k < threads.size(); ++k) {
    if (threads[k].joinable()) threads[k].join();
    if (results[k] == 1) continue;
    ++failures;
    if (errors != nullptr) errors->push_back(reasons[k]);
  }
  return failures;
}

}  // namespace nw

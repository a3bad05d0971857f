// The three reports (hosts, network statistics, alarms): each run copies what it shows from the
// model under the locks, writes its report set without them, and then tells its viewer.
//
// Threads. report_start and report_wait_all are for one thread (the window thread, or the
// headless tool's main thread); the runs themselves take the model lock and then the alarm
// mutex, one after the other, only while they copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nw {

struct net;
struct protocol_node;

// The reports menu's commands: 175 hosts, 176 alarms, 177 statistics.
enum class report_kind : std::int32_t { hosts = 0, alarms = 1, stats = 2 };
inline constexpr report_kind REPORT_KINDS[] = {report_kind::hosts, report_kind::alarms, report_kind::stats};

// The viewer's message "report written", carrying the report set's base path.
inline constexpr int REPORT_WRITTEN_MESSAGE = 10009;

// Called on the report's thread once its three files are written, never after a failure. It
// must only post the message to its window and return: the window thread may be waiting for
// this run in report_start or report_wait_all.
using report_notify = std::function<void(int message, const std::string& base_path)>;

struct report_kind_info {
  const char* stem;             // the files' name without the extension: "hostrep"
  std::uint32_t viewer_title;   // string number of the viewer window's title
  std::uint32_t report_title;   // string number of the title inside the report
};
[[nodiscard]] const report_kind_info& report_info(report_kind kind);

// What one run needs: its parameter block.
struct report_request {
  report_kind kind = report_kind::hosts;
  net* network = nullptr;                  // the network reported on; none: nothing from the model
  const protocol_node* protocols = nullptr;  // the protocol tree, for the protocol summary
  std::uint32_t start_time = 0;            // the program's start, calendar seconds
  std::string base_path;                   // the three files' path without the extension
  report_notify notify;                    // may be empty
};

// 1 and the private report folder (report_dir.h) followed by the kind's stem; -1 when there is
// no such folder, said in the event list.
[[nodiscard]] int report_base_path(report_kind kind, std::string* base_path);

// One run on the calling thread. 1 written and notified; -1 when the three files could not all
// be written: said in the event list and with the reason in *error, and no notice.
[[nodiscard]] int report_write(const report_request& request, std::string* error);

// report_write on a thread of its own. A run of the same kind still going writes the same
// files, so it is waited for first; runs of different kinds overlap.
void report_start(report_request request);

// Waits for every run report_start began. The program calls it before it ends (a run still
// going then would end the process), and tests between cases.
void report_wait_all();

// The three reports of network into dir (made when missing), each on a thread of its own, all
// waited for: the headless tool's reports. The number of reports not written, with a reason
// per report in *errors.
[[nodiscard]] int report_write_all(net* network, const protocol_node* protocols, std::uint32_t start_time,
                                   const std::string& dir, std::vector<std::string>* errors);

}  // namespace nw

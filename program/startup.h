// Start-up: the settings, the engine's modules, the protocol and alarm files, the font, the
// adapters with their networks and the adapter opened, the colours and focuses — everything
// before the main window. A failure that leaves the program unable to work is shown and ends
// it with -1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "capture/adapter_change.h"
#include "capture/capture_pass.h"
#include "core/message.h"
#include "core/parse.h"
#include "core/settings_store.h"
#include "map/focus_file.h"
#include "model/adapter_desc.h"

namespace nw {

struct net;
struct protocol_node;

// The exit code of a start-up that cannot go on (the process's status 255).
inline constexpr int STARTUP_EXIT_FAILURE = -1;

inline constexpr const char* STARTUP_FONT_FILE = "font.bin";

using adapter_finder = std::function<int(std::vector<adapter_desc>& adapters, std::string& error)>;

struct startup_options {
  settings_store* store = nullptr;
  // How messages reach the user from now on (the program's message boxes); empty: left as is.
  message_hook show;
  // Capture files offered as adapters after the live ones. When the stored adapter is a live
  // one that cannot capture (unsupported or refused, as without capture privileges), the first
  // of them is opened in its place.
  std::vector<std::string> capture_files;
  // The live adapters; empty: the capture library's list.
  adapter_finder find_adapters;
  // What the windows do after an adapter change.
  adapter_change_hooks adapter_hooks;
};

// What start-up made and the run keeps.
struct program_state {
  std::int64_t start_time = 0;  // seconds since the epoch
  protocol_node* protocols = nullptr;
  std::unique_ptr<addr_name_table> manufacturers;
  std::unique_ptr<addr_name_table> multicast;
  bool names_open = false;   // the name database
  bool hostc_made = false;   // the host-name cache
  bool alarms_whole = false; // the alarm file was read to its end without a fault
  bool alarm_thread = false;
  std::size_t first_file_adapter = 0;  // index of the first capture file among the adapters
  focus_set focuses;
  // The colour and focus file was read (or was absent) and may be written back: a damaged one
  // is left as it is, like the alarm file.
  bool focuses_whole = false;
};

// Steps up to the colours, in order. 1 when the program can go on to its main window;
// STARTUP_EXIT_FAILURE after the message that says why it cannot.
[[nodiscard]] int startup_engine(const startup_options& options, program_state& state);

// Starts the capture thread with the windows' pass hooks, then the host-name cache's resolver
// and the alarm thread.
void startup_threads(program_state& state, pass_hooks hooks);

// The index of the adapter to open for a stored "interface" value, after messages 50050 (no
// such adapter, or one that is down: adapter 0 then) and 50054 (a medium the program does not
// decode: kept). `adapters` is not empty.
[[nodiscard]] std::size_t startup_choose_adapter(std::span<const adapter_desc> adapters, std::uint32_t stored);

}  // namespace nw

// Start-up, in its order.
#include "program/startup.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>

#include "alarm/adl.h"
#include "alarm/alarm.h"
#include "alarm/alarm_thread.h"
#include "capture/adapter_list.h"
#include "capture/capture_thread.h"
#include "core/hfont.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "core/str_cache.h"
#include "hostc/hostc.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "namedb/cb_ether.h"
#include "output/event_list.h"
#include "pdl/pdl.h"
#include "program/logpal.h"
#include "program/settings.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_NO_FONT = 50042;
constexpr std::uint32_t STR_NO_ADAPTERS = 50045;
constexpr std::uint32_t STR_BAD_PDL = 50046;
constexpr std::uint32_t STR_BAD_MEDIA = 50048;
constexpr std::uint32_t STR_ADAPTER_INVALID = 50050;
constexpr std::uint32_t STR_ADAPTER_UNSUPPORTED = 50054;
constexpr std::uint32_t STR_OPEN_EVENT = 50586;
constexpr float LABEL_SIZE = 0.06f;

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

void to_stderr(const message& msg) { std::fprintf(stderr, "%s: %s\n", msg.caption.c_str(), msg.text.c_str()); }

void fail(std::uint32_t text, message_icon icon) { message_error(str_text(text), icon); }

bool resolving() { return settings().resolve.load() == 1; }

void register_families() {
  netaddr_registry_init();
  (void)netaddr_ether_register();
  (void)netaddr_ipv4_register();
  (void)netaddr_tr_register();
}

// The manufacturer table goes to the hosts; the multicast table to the name database, which
// names group addresses from it (so it is read before the database opens).
void open_names(program_state& state) {
  state.manufacturers = addr_file_load(settings().manufacturers);
  state.multicast = addr_file_load(settings().multi);
  node_set_manufacturers(state.manufacturers.get());
  ethers_options names;
  names.multicast = state.multicast.get();
  names.resolve_enabled = resolving;
  state.names_open = ethers_open(names) >= 0;
  hostc_options cache;
  cache.resolve_enabled = resolving;
  state.hostc_made = hostc_init(cache) >= 0;
}

// Whether the alarm file was read whole: reading shows a message for a file it cannot open and
// for a syntax error, after which the alarms past it are not read.
bool read_alarms(const message_hook& show) {
  int faults = 0;
  message_set_hook([&faults, &show](const message& msg) {
    ++faults;
    show(msg);
  });
  (void)adl_load(settings().alarms);
  message_set_hook(show);
  alarm_register_all();
  return faults == 0;
}

// The font is only read, so a font installed read-only serves as well.
bool load_font() {
  if (!file_handle(std::fopen(STARTUP_FONT_FILE, "rb"))) return false;
  std::string error;
  if (hfont_load(STARTUP_FONT_FILE, error) < 0) {
    std::fprintf(stderr, "%s: %s\n", STARTUP_FONT_FILE, error.c_str());
    return false;
  }
  const float size = LABEL_SIZE * model_settings().font_size;
  hfont_set_text_size(size, size);
  return true;
}

std::vector<adapter_desc> find_adapters(const startup_options& options, program_state& state) {
  std::vector<adapter_desc> adapters;
  std::string error;
  const adapter_finder& find = options.find_adapters ? options.find_adapters : adapter_finder(adapter_list_find);
  if (find(adapters, error) < 0) {
    std::fprintf(stderr, "%s\n", error.c_str());
    adapters.clear();
  }
  state.first_file_adapter = adapters.size();
  for (const std::string& path : options.capture_files) {
    adapter_desc file;
    if (adapter_from_file(path, file, error) < 0) {
      message_error(message_format("%s: %s", path.c_str(), error.c_str()));
      continue;
    }
    adapters.push_back(std::move(file));
  }
  return adapters;
}

bool decodes(const adapter_desc& adapter) {
  return adapter.type == NETTYPE_ETHERNET || adapter.type == NETTYPE_TOKEN_RING;
}

// One network per adapter of a medium the program decodes. The capture library also lists
// pseudo-interfaces (any, lo, nflog, ...) and interfaces that are down: they have no media hook
// by nature, which says nothing of the protocol file, and a network is made for one of them
// only if it is ever opened.
void create_networks(std::span<const adapter_desc> adapters) {
  net_list_init();
  for (const adapter_desc& adapter : adapters) {
    if (decodes(adapter) && net_new(adapter)->media == nullptr) fail(STR_BAD_MEDIA, message_icon::stop);
  }
}

// A live adapter that cannot capture gives way to the first capture file, when one was given.
void open_first_adapter(std::span<const adapter_desc> adapters, std::size_t index, const program_state& state) {
  const int opened = adapter_change_open(index);
  const adapter_desc& adapter = adapters[index];
  if (adapter.file || (opened == 1 && decodes(adapter)) || state.first_file_adapter >= adapters.size()) return;
  const std::size_t file = state.first_file_adapter;
  if (adapter_change_open(file) == 1)
    output_add_event(message_format(str_text(STR_OPEN_EVENT), adapters[file].name.c_str()),
                     static_cast<std::uint32_t>(std::time(nullptr)));
}

void read_focuses(program_state& state) {
  state.focuses_whole = focus_load(settings().cfdump, state.protocols, state.focuses) >= 0;
  (void)focus_select(state.focuses, settings().focus);
  create_palette(state.focuses.colors);
}

}  // namespace

std::size_t startup_choose_adapter(std::span<const adapter_desc> adapters, std::uint32_t stored) {
  std::size_t index = stored;
  if (index >= adapters.size() || adapters[index].type < NETTYPE_ETHERNET) {
    fail(STR_ADAPTER_INVALID, message_icon::stop);
    index = 0;
  }
  if (adapters[index].type > NETTYPE_TOKEN_RING) fail(STR_ADAPTER_UNSUPPORTED, message_icon::stop);
  return index;
}

int startup_engine(const startup_options& options, program_state& state) {
  const message_hook show = options.show ? options.show : message_hook(to_stderr);
  message_set_hook(show);
  read_settings(*options.store);
  register_families();
  open_names(state);
  alarm_init();
  state.start_time = static_cast<std::int64_t>(std::time(nullptr));
  state.protocols = pdl_load(settings().protocols);
  state.alarms_whole = read_alarms(show);
  if (state.protocols == nullptr) {
    fail(STR_BAD_PDL, message_icon::exclamation);
    return STARTUP_EXIT_FAILURE;
  }
  if (!load_font()) {
    fail(STR_NO_FONT, message_icon::exclamation);
    return STARTUP_EXIT_FAILURE;
  }
  const std::vector<adapter_desc> adapters = find_adapters(options, state);
  if (adapters.empty()) {
    fail(STR_NO_ADAPTERS, message_icon::stop);
    return STARTUP_EXIT_FAILURE;
  }
  create_networks(adapters);
  const std::size_t index = startup_choose_adapter(adapters, settings().interface);
  settings().interface = static_cast<std::uint32_t>(index);
  const auto snaplen = static_cast<int>(std::min<std::uint32_t>(settings().snaplen, INT_MAX));
  adapter_change_init(adapters, index, snaplen, options.adapter_hooks);
  open_first_adapter(adapters, index, state);
  read_focuses(state);
  return 1;
}

void startup_threads(program_state& state, pass_hooks hooks) {
  capture_thread_start(std::move(hooks));
  if (state.hostc_made) (void)hostc_thread_start();
  state.alarm_thread = alarm_thread_start(alarm_actions_system()) == 1;
}

}  // namespace nw

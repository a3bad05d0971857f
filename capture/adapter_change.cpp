// The adapter list, the current adapter and the change of adapter; the window thread's own.
#include "capture/adapter_change.h"

#include <ctime>

#include "capture/capture_source.h"
#include "capture/capture_thread.h"
#include "core/message.h"
#include "core/str_cache.h"
#include "model/net.h"
#include "output/event_list.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCT = 50000;
constexpr std::uint32_t STR_ADAPTER_INVALID = 50056;
constexpr std::uint32_t STR_ADAPTER_UNSUPPORTED = 50058;
constexpr std::uint32_t STR_OPEN_EVENT = 50586;

std::vector<adapter_desc> adapters;
std::size_t current_index = 0;
int snapshot_length = CAPTURE_SNAPLEN_DEFAULT;
std::string open_error;
adapter_change_hooks hooks;


std::uint32_t now_seconds() { return static_cast<std::uint32_t>(std::time(nullptr)); }

void run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

void adapter_change_init(std::vector<adapter_desc> list, std::size_t current, int snaplen,
                         adapter_change_hooks change_hooks) {
  adapters = std::move(list);
  current_index = current;
  snapshot_length = snaplen;
  open_error.clear();
  hooks = std::move(change_hooks);
}

std::span<const adapter_desc> adapter_change_adapters() { return adapters; }

std::size_t adapter_change_current() { return current_index; }

const std::string& adapter_change_open_error() { return open_error; }

// Every adapter has its network object from start-up; one made here covers a list that
// gained an adapter since, so that frames never land in the previous adapter's network.
int adapter_change_open(std::size_t index) {
  if (index >= adapters.size()) return -1;
  const adapter_desc& adapter = adapters[index];
  net* network = net_find(adapter);
  if (network == nullptr) network = net_new(adapter);
  bool opened = false;
  capture_thread_replace([&] {
    current_index = index;
    net_set_current(network);
    open_error.clear();
    auto source = capture_source::open(adapter, snapshot_length, replay_pace::timestamps, open_error);
    opened = source != nullptr;
    if (opened) source->classify_ahead(network->media);
    return source;
  });
  // The capture thread then idles without a word, as it should; the user still learns why.
  if (!opened) output_add_event(message_format("%s: %s", adapter.name.c_str(), open_error.c_str()), now_seconds());
  return opened ? 1 : 0;
}

int adapter_change(std::size_t chosen) {
  if (chosen == current_index) return 0;
  if (chosen >= adapters.size() || adapters[chosen].type < NETTYPE_ETHERNET) {
    message_error(str_text(STR_ADAPTER_INVALID));
    return -1;
  }
  if (adapters[chosen].type > NETTYPE_TOKEN_RING) {
    message_error(str_text(STR_ADAPTER_UNSUPPORTED));
    return -1;
  }
  (void)adapter_change_open(chosen);
  const adapter_desc& adapter = adapters[chosen];
  output_add_event(message_format(str_text(STR_OPEN_EVENT), adapter.name.c_str()), now_seconds());
  run(hooks.control_panel);
  if (hooks.set_title) hooks.set_title(adapter_change_title(adapter));
  run(hooks.lists_replaced);
  return 1;
}

std::string adapter_change_title(const adapter_desc& adapter) {
  return message_format("%s :    %s (%s)", str_text(STR_PRODUCT), adapter.name.c_str(), adapter.description.c_str());
}

}  // namespace nw

// The adapter in use: the adapter list and the current index, opening an adapter for the
// capture thread, and the change of adapter the user asks for.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/adapter_desc.h"

namespace nw {

// What the windows do after a change; empty members are skipped. Run on the calling thread.
struct adapter_change_hooks {
  std::function<void()> control_panel;                 // private message 12345: follow the new network
  std::function<void(const std::string&)> set_title;   // the main window's new title
  std::function<void()> lists_replaced;                // broadcast 5024 to the list windows
};

// The list start-up made (one network object per adapter exists already), the index it chose,
// the "snaplen" setting and the windows' hooks. Nothing is opened.
void adapter_change_init(std::vector<adapter_desc> adapters, std::size_t current, int snaplen,
                         adapter_change_hooks hooks);

[[nodiscard]] std::span<const adapter_desc> adapter_change_adapters();
[[nodiscard]] std::size_t adapter_change_current();

// Makes adapter index current and its network object the current network, and opens it for
// the capture thread in place of the handle in use, which is closed first. 1 when opened; 0
// when the library could not open it (no handle then, the thread idles, no message box; an
// event line and adapter_change_open_error() tell why); -1 for an index beyond the list.
int adapter_change_open(std::size_t index);
[[nodiscard]] const std::string& adapter_change_open_error();

// The user chose adapter `chosen`: the one in use does nothing (0); an invalid one (or an
// index beyond the list) shows 50056 and an unsupported one 50058, leaving the open adapter in
// use (-1); otherwise it is opened, the "OPEN %s" event is added and the hooks run (1).
int adapter_change(std::size_t chosen);

// "Nodewren :    name (description)".
[[nodiscard]] std::string adapter_change_title(const adapter_desc& adapter);

}  // namespace nw

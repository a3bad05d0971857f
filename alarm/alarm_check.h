// Alarm evaluation after each capture pass: binding alarms to the hosts, links and protocol
// nodes they watch, and testing the bound ones. Both run on the capture thread with the model
// lock held, and do nothing while another thread holds the pause (alarm.h).
#pragma once

#include <cstdint>
#include <functional>

namespace nw {

struct net;

// Binds every pending alarm that is on and whose hosts (and link) now exist in `network`, or
// whose protocol has a node under the network's media node, and moves it to alarm_active.
// A network alarm is bound at once.
void alarm_bind(net& network);

// Tests every active alarm that is on and fires those whose condition holds: a host or link
// that is active (occurrence), frames of a protocol since the previous check (occurrence), or
// the last second's packets, kilobytes or bandwidth of a host, a link or `network` at or above
// (high) or below (low) the value. Bandwidth alarms are skipped on an adapter of unknown speed.
void alarm_check(net& network);

// The alarm step of capture passes: alarm_bind and alarm_check in the pass's network. Bound
// alarms point at hosts and links of the network they bound in, so when a pass brings another
// network (the adapter was changed) every alarm waits to bind again in it.
[[nodiscard]] std::function<void(net&)> alarm_pass_checks();

// Percent of a link of `speed` bits per second that a second's frames use, counting 192 bits of
// per-frame overhead on every medium; 0 when the speed is below 100. In 64 bits throughout.
[[nodiscard]] std::uint64_t alarm_bandwidth(std::uint64_t pkts, std::uint64_t bytes, std::uint64_t speed);

}  // namespace nw

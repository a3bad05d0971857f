// Binding and testing alarms after each capture pass.
#include "alarm/alarm_check.h"

#include <vector>

#include "alarm/alarm.h"
#include "alarm/alarm_ref.h"
#include "model/link.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd_stat.h"

namespace nw {
namespace {

// Ethernet's preamble, start delimiter and gap, counted alike on every medium.
constexpr std::uint64_t FRAME_OVERHEAD_BITS = 192;
constexpr std::uint64_t SPEED_PER_PERCENT = 100;
constexpr unsigned KBYTE_SHIFT = 10;

// The protocol's first node under the media node in the order the decoder tries them: a node,
// then its children, then its later siblings.
protocol_node* first_node(protocol_node* media, const protocol_def* protocol) {
  if (media == nullptr || protocol == nullptr) return nullptr;
  if (media->def == protocol) return media;
  std::vector<protocol_node*> pending;
  if (media->child != nullptr) pending.push_back(media->child);
  while (!pending.empty()) {
    protocol_node* n = pending.back();
    pending.pop_back();
    if (n->def == protocol) return n;
    if (n->next != nullptr) pending.push_back(n->next);
    if (n->child != nullptr) pending.push_back(n->child);
  }
  return nullptr;
}

node* find_host(const net& network, const alarm_host& ref) {
  const hostc_entry* entry = alarm_ref_entry(ref);
  return entry != nullptr ? node_find(network, entry->addr) : nullptr;
}

bool bind_link(const net& network, alarm_def& alarm) {
  if (alarm.lnk != nullptr) return true;
  const hostc_entry* b = alarm_ref_entry(alarm.host_b);
  node* na = find_host(network, alarm.host_a);
  node* nb = b != nullptr ? node_find(network, b->addr) : nullptr;
  if (na == nullptr || nb == nullptr) return false;
  alarm.node_a = na;
  alarm.node_b = nb;
  alarm.lnk = link_find(*na, b->addr);
  return alarm.lnk != nullptr;
}

// true when the alarm is bound (now or before).
bool bind(const net& network, alarm_def& alarm) {
  switch (alarm.subject) {
    case ALARM_HOST:
      if (alarm.node_a == nullptr) alarm.node_a = find_host(network, alarm.host_a);
      return alarm.node_a != nullptr;
    case ALARM_LINK:
      return bind_link(network, alarm);
    case ALARM_PROTOCOL:
      if (alarm.proto_node == nullptr) alarm.proto_node = first_node(network.media, alarm.protocol);
      return alarm.proto_node != nullptr;
    case ALARM_NETWORK:
      return true;
    default:
      return false;
  }
}

bool passes(const alarm_def& alarm, std::uint64_t measure, std::uint64_t limit) {
  return alarm.direction == ALARM_HIGH ? measure >= limit : measure < limit;
}

bool over_threshold(const alarm_def& alarm, std::uint64_t pkts, std::uint64_t bytes, std::uint64_t speed) {
  switch (alarm.unit) {
    case ALARM_PACKETS: return passes(alarm, pkts, alarm.value);
    case ALARM_KBYTES: return passes(alarm, bytes, std::uint64_t{alarm.value} << KBYTE_SHIFT);
    case ALARM_BANDWIDTH:
      // Without a known speed there is no load to compare, high or low.
      return speed >= SPEED_PER_PERCENT && passes(alarm, alarm_bandwidth(pkts, bytes, speed), alarm.value);
    default: return false;
  }
}

// Frames since the previous check. The counter only grows, unless something cleared it: then
// all it holds is new.
bool protocol_seen(alarm_def& alarm) {
  const double frames = pd_stat_frames(alarm.proto_node);
  const double before = alarm.proto_seen;
  alarm.proto_seen = frames;
  return frames > before || (frames < before && frames > 0);
}

bool holds(const net& network, alarm_def& alarm) {
  const bool occurrence = alarm.type == ALARM_OCCURRENCE;
  const std::uint64_t speed = network.adapter.speed;
  switch (alarm.subject) {
    case ALARM_HOST: {
      const node& h = *alarm.node_a;
      return occurrence ? h.active == 1 : over_threshold(alarm, h.tx_pkts_sec2, h.tx_bytes_sec2, speed);
    }
    case ALARM_LINK: {
      const link& l = *alarm.lnk;
      return occurrence ? link_active(l) : over_threshold(alarm, l.pkts_sec2, l.bytes_sec2, speed);
    }
    case ALARM_PROTOCOL:
      return occurrence && protocol_seen(alarm);
    case ALARM_NETWORK:
      return !occurrence && over_threshold(alarm, network.pkts_sec2, network.bytes_sec2, speed);
    default:
      return false;
  }
}

}  // namespace

std::uint64_t alarm_bandwidth(std::uint64_t pkts, std::uint64_t bytes, std::uint64_t speed) {
  const std::uint64_t per_percent = speed / SPEED_PER_PERCENT;
  if (per_percent == 0) return 0;
  return (pkts * FRAME_OVERHEAD_BITS + bytes * 8) / per_percent;
}

void alarm_bind(net& network) {
  const alarm_checks_turn turn;
  if (!turn) return;
  std::vector<alarm_def*>& pending = alarm_pending();
  std::vector<alarm_def*>& active = alarm_active();
  std::size_t kept = 0;
  for (alarm_def* alarm : pending) {
    if (alarm->state != ALARM_OFF && bind(network, *alarm)) {
      active.push_back(alarm);
    } else {
      pending[kept++] = alarm;
    }
  }
  pending.resize(kept);
}

void alarm_check(net& network) {
  const alarm_checks_turn turn;
  if (!turn) return;
  for (alarm_def* alarm : alarm_active()) {
    if (alarm->state == ALARM_ON && holds(network, *alarm)) (void)alarm_fire(*alarm);
  }
}

std::function<void(net&)> alarm_pass_checks() {
  return [bound_in = static_cast<net*>(nullptr)](net& network) mutable {
    if (bound_in != nullptr && bound_in != &network) alarm_rebind_all();
    bound_in = &network;
    alarm_bind(network);
    alarm_check(network);
  };
}

}  // namespace nw

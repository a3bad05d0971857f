// Links: creation, look-up by destination address and ageing.
#include "model/link.h"

#include <cstdint>
#include <memory>

#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {

link* link_create(node& s, node& d) {
  net& network = *s.network;
  // Everything that allocates comes first: memory running out leaves no list or index naming an
  // unfinished link, and a link's number stays its record's and its averages' row's.
  const auto number = static_cast<std::uint32_t>(network.links.size());
  network.links.reserve(std::size_t{number} + 1);
  network.link_averages.reserve_records(number + 1);
  network.awake_links.reserve_numbers(number + 1);
  network.link_index.reserve_one();
  s.links_out.reserve_one(network.link_lists);
  d.links_in.reserve_one(network.link_lists);

  link* l = &network.links.add();
  l->number = network.link_averages.add_record();
  l->src = &s;
  l->dst = &d;
  l->src_number = s.number;
  l->dst_number = d.number;
  s.links_out.add(network.link_lists, d.mac, l);
  d.links_in.add(network.link_lists, s.mac, l);
  network.link_index.put(addr_key(s.mac), addr_key(d.mac), l->number);
  network.awake_links.wake(l->number);
  ++network.link_count;
  return l;
}

link* link_add_ip(const node& s, const node& d, link& l) {
  // The destination's address is asked first: the source's record is read only for a link that
  // is entered now.
  if (l.ip_order == 0 && d.ip_key != 0 && s.ip) l.ip_order = ++s.network->ip_entries_made;
  return &l;
}

void link_keep_ip_entries(const node& d) {
  if (d.ip_key == 0) return;
  net& network = *d.network;
  std::size_t entered = 0;
  d.links_in.foreach([&](const link* l) { entered += l->ip_order != 0 ? 1 : 0; });
  network.earlier_ip_entries.reserve(network.earlier_ip_entries.size() + entered);  // may throw: nothing moved yet
  d.links_in.foreach([&](link* l) {
    if (l->ip_order == 0) return;
    network.earlier_ip_entries.push_back({d.ip_key, l->number, l->ip_order});
    l->ip_order = 0;
  });
}

namespace {

// The first link entered under ip_key among from's links and the entries their destinations
// handed on.
link* find_by_ip(const node& from, std::uint64_t ip_key) {
  const net& network = *from.network;
  link* found = nullptr;
  std::uint32_t first = 0;
  const auto offer = [&](link* l, std::uint32_t order) {
    if (order != 0 && (found == nullptr || order < first)) found = l, first = order;
  };
  from.links_out.foreach([&](link* l) {
    if (l->dst->ip_key == ip_key) offer(l, l->ip_order);
  });
  for (const earlier_ip_entry& e : network.earlier_ip_entries) {
    link& l = network.links[e.link_number];
    if (e.ip_key == ip_key && l.src == &from) offer(&l, e.order);
  }
  return found;
}

}  // namespace

link* link_find(const node& from, const netaddr& address) {
  const std::uint64_t key = addr_key(address);
  if (addr_kind(key) == ADDR_KIND_IPV4) return find_by_ip(from, key);
  if (addr_kind(key) != ADDR_KIND_HARDWARE) return nullptr;
  const net& network = *from.network;
  return link_numbered(network, network.link_index.find(addr_key(from.mac), key));
}

link* link_numbered(const net& network, std::uint32_t number) {
  return number != link_mac_index::NONE ? &network.links[number] : nullptr;
}

link* link_find_frame(const net& network, const netaddr& src, const netaddr& dst) {
  return link_numbered(network, network.link_index.find(addr_key(src), addr_key(dst)));
}

namespace {

// In whole milliseconds, as the time-out is compared.
bool timed_out(const link& l, capture_time now, std::uint32_t timeout_s) {
  return model_elapsed_us(l.last_seen, now) / 1000 >= std::int64_t{timeout_s} * 1000;
}

}  // namespace

void link_age(link& l, capture_time now, moving_avg_pairs& averages) {
  averages.add(l.number, l.pkts_sec2, l.bytes_sec2);
  if (timed_out(l, now, model_settings().link_timeout_s)) {
    l.active = 0;  // the colour stays as it was last seen
    return;
  }
  if (l.colour_stale) {
    l.focus_color = static_cast<std::int8_t>(link_focus_color(l));
    l.colour_stale = false;
  }
  l.active = 1;
}

bool link_active(const link& l) {
  if (l.active == 0) return false;
  const net& network = *l.src->network;
  if (network.awake_links.contains(l.number)) return true;  // its flag is the frame's, or is visited next
  // Asleep since a visit that found it active: inactive from the first pass at or after its time-out.
  return !timed_out(l, network.aged_at, network.links_timeout_s);
}

moving_means link_avg(const link& l) { return l.src->network->link_averages.means(l.number); }

}  // namespace nw

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
  link* l = &network.links.add();
  l->src = &s;
  l->dst = &d;
  l->src_number = s.number;
  l->dst_number = d.number;
  s.links_out.add(d.mac, l);
  network.link_index.put(l, {addr_key(s.mac), addr_key(d.mac)});
  d.links_in.add(s.mac, l);
  l->number = network.link_averages.add_record();
  network.awake_links.reserve_numbers(l->number + 1);
  network.awake_links.wake(l->number);
  ++network.link_count;
  return l;
}

link* link_find_or_add_ip(node& s, const node& d, link* l) {
  if (d.ip_key == 0) return nullptr;
  const addr_index<link, 2>::key k{addr_key(s.mac), d.ip_key};
  return s.ip ? s.network->link_index.find_or_put(l, k) : s.network->link_index.find(k);
}

link* link_find(const node& from, const netaddr& address) {
  const std::uint64_t key = addr_key(address);
  return key != 0 ? from.network->link_index.find({addr_key(from.mac), key}) : nullptr;
}

link* link_find_frame(const net& network, const netaddr& src, const netaddr& dst) {
  return network.link_index.find({addr_key(src), addr_key(dst)});
}

void link_age(link& l, capture_time now, moving_avg_pairs& averages) {
  averages.add(l.number, l.pkts_sec2, l.bytes_sec2);
  const std::int64_t timeout_ms = static_cast<std::int64_t>(model_settings().link_timeout_s) * 1000;
  if (model_elapsed_us(l.last_seen, now) / 1000 >= timeout_ms) {
    l.active = 0;  // the colour stays as it was last seen
    return;
  }
  if (l.colour_stale) {
    l.focus_color = link_focus_color(l);
    l.colour_stale = false;
  }
  l.active = 1;
}

moving_means link_avg(const link& l) { return l.src->network->link_averages.means(l.number); }

}  // namespace nw

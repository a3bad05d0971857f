// Hosts: creation from the first frame, names from the name database, look-up and ageing.
#include "model/node.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"

namespace nw {
namespace {

// Written at start-up and by tests, before any capture; read by the capture and name threads.
node_name_service default_service() {
  return {ethers_lookup_host, ethers_request_name, ethers_store};
}
node_name_service service = default_service();
const addr_name_table* manufacturers = nullptr;

// The manufacturer's prefix is the first three octets; the table keys them with three zeros.
void set_manufacturer(node& host) {
  if (manufacturers == nullptr) return;
  netaddr prefix = host.mac;
  std::uint8_t* octets = netaddr_bytes(prefix);
  octets[3] = octets[4] = octets[5] = 0;
  if (const std::string* found = manufacturers->find(prefix)) label_set(host.manuf_label, *found);
}

void set_ip(node& host, const netaddr& ip) {
  host.ip = netaddr_dup(ip);
  host.ip_key = addr_key(ip);
  label_set(host.ip_label, netaddr_to_text_new(ip));
}

// The later of two hosts with one address takes the entry.
void index_by_ip(node& host) {
  host.network->host_index.put(&host, addr_key(*host.ip));
}

// The host is entered under the record's address by its caller.
void apply_record(node& host, const name_record& record) {
  host.resolve = record.resolve;
  if (record.local_name && !record.local_name->empty()) {
    label_set(host.local_label, *record.local_name);
    host.name = host.local_label.text.data();
  }
  if (host.resolve == 0) return;
  if (record.ip) set_ip(host, *record.ip);
  if (record.ip_name) label_set(host.dns_label, *record.ip_name);
}

}  // namespace

node::node() = default;
node::~node() = default;

void node_set_name_service(node_name_service s) { service = std::move(s); }
void node_set_manufacturers(const addr_name_table* table) { manufacturers = table; }

void node_reset() {
  service = default_service();
  manufacturers = nullptr;
}

// Texts are cut to the label's 79 bytes without splitting a UTF-8 character.
void label_set(name_label& label, std::string_view text) {
  std::size_t n = std::min(text.size(), LABEL_TEXT_SIZE - 1);
  while (n < text.size() && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::copy_n(text.begin(), n, label.text.begin());
  label.text[n] = '\0';
  if (n == 0) {
    label.width = label.height = 0.0f;
    return;
  }
  label.width = text_width(label.text.data());
  label.height = model_label_height();
}

void label_clear(name_label& label) { label_set(label, {}); }

node* node_find(const net& network, const netaddr& address) {
  const std::uint64_t key = addr_key(address);
  return key != 0 ? network.host_index.find(key) : nullptr;
}

node* node_create(net& network, const netaddr& mac) {
  // Room in everything first, then the host is filled in and entered: a failed allocation must
  // leave no list, index or averages' row naming a host that is gone, and the next host's
  // number must still be its place.
  const auto number = static_cast<std::uint32_t>(network.hosts_made.size());
  network.hosts_made.reserve(number + 1);
  network.host_averages.reserve_records(number + 1);
  network.host_list.reserve_one();
  network.awake_hosts.reserve_numbers(number + 1);
  network.host_index.reserve_more(2);  // its hardware address, and maybe its name's IPv4 address
  node& h = network.hosts_made[number];  // made with its block, not yet counted
  try {
    h.network = &network;
    h.mac = mac;
    label_set(h.mac_label, netaddr_to_text_new(mac));
    h.mac_text = h.mac_label.text.data();
    if (service.lookup) apply_record(h, service.lookup(mac));
    set_manufacturer(h);
  } catch (...) {
    // The next host is made in the same place: it starts as new.
    std::destroy_at(&h);
    std::construct_at(&h);
    throw;
  }
  network.hosts_made.add();
  h.number = network.host_averages.add_record();
  network.host_index.put(&h, addr_key(h.mac));
  if (h.ip != nullptr) index_by_ip(h);
  network.host_list.add(&h);
  network.awake_hosts.wake(h.number);
  ++network.node_count;
  return &h;
}

void node_learn_ip(node& host, const std::uint8_t* ip_octets) {
  if (host.resolve != 1) return;
  netaddr ip;
  netaddr_init(ip, NETADDR_IPV4);
  if (ip.type == nullptr) return;
  std::memcpy(netaddr_bytes(ip), ip_octets, ip.type->length);
  set_ip(host, ip);
  index_by_ip(host);
  node* target = &host;  // hosts live until the program ends
  if (service.request) (void)service.request(ip, [target](const std::string& name) { node_name_resolved(name, *target); });
}

void node_name_resolved(const std::string& name, node& host) {
  name_record record;
  {
    model_lock lock;
    if (host.resolve != 1) return;
    label_set(host.dns_label, name);
    record.hw = host.mac;
    if (host.ip) record.ip = *host.ip;
    record.ip_name = std::string(host.dns_label.text.data());
  }
  // The name database has its own lock; it is not taken under the model's.
  if (service.store) (void)service.store(record);
}

void node_set_local_name(node& host, std::string_view name) {
  model_lock lock;
  const std::string_view current(host.local_label.text.data());
  if (name.substr(0, LABEL_TEXT_SIZE - 1) != current) label_set(host.local_label, name);
}

void node_clear_ip(node& host) {
  model_lock lock;
  link_keep_ip_entries(host);
  // the IP address look-up keeps its entry: the key is the table's own copy, and the host may send again.
  host.ip.reset();
  host.ip_key = 0;
  host.links_out.foreach([](link* l) { l->src_has_ip = false; });
  label_clear(host.ip_label);
  label_clear(host.dns_label);
}

void node_set_label_state(node& host, std::int32_t state) {
  host.ip_label.state = host.dns_label.state = host.local_label.state = host.mac_label.state = state;
}

const char* node_best_label(const node& host) {
  for (const name_label* l : {&host.local_label, &host.dns_label, &host.ip_label}) {
    if (!label_empty(*l)) return l->text.data();
  }
  return host.mac_label.text.data();
}

int node_compare(const node* a, const node* b) {
  if (a == nullptr || b == nullptr) return -1;
  return netaddr_compare(a->mac, b->mac);
}

namespace {

std::int64_t timeout_us(std::uint32_t seconds) { return std::int64_t{seconds} * 1'000'000; }

// Every frame a host sends or receives is also its link's newest frame, so while the later of
// its two last frames lies within the link time-out one of its links is active, and that keeps
// the host active too, a receiver that never sends included. Hosts know it from their own
// times: the link pass need not visit links, nor write to hosts, to say it.
const capture_time& last_frame(const node& host) {
  return model_time_us(host.last_rx) > model_time_us(host.last_tx) ? host.last_rx : host.last_tx;
}

bool never_sent(const node& host) { return host.last_tx.sec == 0 && host.last_tx.usec == 0; }

}  // namespace

void node_age(node& host, capture_time now, moving_avg_pairs& averages) {
  averages.add(host.number, host.tx_pkts_sec2, host.tx_bytes_sec2);
  // Whole milliseconds, as the time-outs are compared: 9,999.9995 ms is still below 10,000.
  const auto within = [&](const capture_time& since, std::uint32_t seconds) {
    return model_elapsed_us(since, now) / 1000 * 1000 < timeout_us(seconds);
  };
  const model_config& settings = model_settings();
  const bool sending = !never_sent(host) && within(host.last_tx, settings.node_timeout_s);
  host.active = sending || within(last_frame(host), settings.link_timeout_s) ? 1 : 0;
}

std::int64_t node_idle_at_us(const node& host) {
  const model_config& settings = model_settings();
  const std::int64_t link_idle = model_time_us(last_frame(host)) + timeout_us(settings.link_timeout_s);
  if (never_sent(host)) return link_idle;
  return std::max(link_idle, model_time_us(host.last_tx) + timeout_us(settings.node_timeout_s));
}

moving_means node_tx_avg(const node& host) { return host.network->host_averages.means(host.number); }

}  // namespace nw

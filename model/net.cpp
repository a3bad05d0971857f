// Network objects, the list of networks, the ageing pass and one network per adapter.
#include "model/net.h"

#include <atomic>

#include "core/message.h"
#include "core/prefetch.h"
#include "core/str_cache.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/node.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "stats/host_topn.h"
#include "stats/link_topn.h"
#include "stats/recv_topn.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_ADAPTER_FAILED = 50043;
constexpr std::uint32_t STR_BAD_MEDIA = 50048;

// Made and changed on the window thread at start-up and on an adapter change.
std::vector<std::unique_ptr<net>> networks;
// Read by the capture and alarm threads while an adapter change sets it.
std::atomic<net*> current{nullptr};

protocol_node* media_of(const adapter_desc& adapter) {
  protocol_node* root = pdl_root();
  switch (adapter.type) {
    case NETTYPE_ETHERNET: return root != nullptr ? pd_find_path(root, "ROOT\\ETHERNET") : nullptr;
    case NETTYPE_TOKEN_RING: return root != nullptr ? pd_find_path(root, "ROOT\\TOKENRING") : nullptr;
    case NETTYPE_DOWN:
      message_error(message_format(str_text(STR_ADAPTER_FAILED), adapter.name.c_str()));
      return nullptr;
    default: return nullptr;
  }
}

}  // namespace

net::net()
    : frames(frame_ring_new()),
      senders_rank(host_topn_create<node>()),
      receivers_rank(recv_topn_create<node>()),
      links_rank(link_topn_create<link>()) {}

net::~net() = default;

void net_list_init() {
  networks.clear();
  current = nullptr;
}

net* net_new(const adapter_desc& adapter) {
  auto network = std::make_unique<net>();
  network->adapter = adapter;
  network->name = adapter.name.substr(0, NET_NAME_MAX);
  network->media = media_of(adapter);
  networks.push_back(std::move(network));
  return networks.back().get();
}

net* net_find(const adapter_desc& adapter) {
  for (const auto& n : networks) {
    if (n->name == adapter.name.substr(0, NET_NAME_MAX)) return n.get();
  }
  return nullptr;
}

std::span<const std::unique_ptr<net>> net_list() { return networks; }

net* net_current() { return current.load(); }

void net_set_current(net* network) {
  if (network != nullptr) current = network;
}

namespace {

// Records lie all over the heap and a pass visits a few among many: each visit starts loading
// the records a few visits on, so the walk waits for memory once, not once per record.
constexpr std::size_t AHEAD = 8;

void age_hosts(net& network, capture_time now) {
  const model_config& settings = model_settings();
  if (settings.node_timeout_s != network.host_deadlines_node_timeout_s ||
      settings.link_timeout_s != network.host_deadlines_link_timeout_s) {
    network.awake_hosts.wake_all(static_cast<std::uint32_t>(network.hosts_made.size()));
    network.host_deadlines.clear();
    network.host_deadlines_node_timeout_s = settings.node_timeout_s;
    network.host_deadlines_link_timeout_s = settings.link_timeout_s;
  }
  network.host_deadlines.wake_due(model_time_us(now), network.awake_hosts);
  const auto& hosts = network.hosts_made;
  const auto preload_record = [&](std::uint32_t number) {
    cache_preload(&hosts[number]);
    cache_preload(&hosts[number].last_rx);
  };
  const auto preload_averages = [&](std::uint32_t number) { network.host_averages.preload(number); };
  network.awake_hosts.visit<2 * AHEAD, AHEAD>(preload_record, preload_averages, [&](std::uint32_t number) {
    node& host = hosts[number];
    node_age(host, now, network.host_averages);
    if (host.active != 0) network.host_deadlines.push(node_idle_at_us(host), number);
    return false;
  });
}

void age_links(net& network, capture_time now) {
  const std::uint32_t timeout_s = model_settings().link_timeout_s;
  const std::uint32_t focus = link_focus_generation();
  if (timeout_s != network.links_timeout_s || focus != network.links_focus) {
    network.awake_links.wake_all(static_cast<std::uint32_t>(network.links.size()));
    if (focus != network.links_focus) {
      network.links.for_each([](link& l) { l.colour_stale = true; });
    }
    network.links_timeout_s = timeout_s;
    network.links_focus = focus;
  }
  const auto& links = network.links;
  const auto preload_record = [&](std::uint32_t number) { cache_preload(&links[number]); };
  const auto preload_averages = [&](std::uint32_t number) { network.link_averages.preload(number); };
  network.awake_links.visit<2 * AHEAD, AHEAD>(preload_record, preload_averages, [&](std::uint32_t number) {
    link_age(links[number], now, network.link_averages);
    return false;
  });
}

}  // namespace

void net_age(net& network) {
  const capture_time now = model_now();
  network.aged_at = now;
  network.host_averages.next_slot();
  network.link_averages.next_slot();
  age_hosts(network, now);
  age_links(network, now);
}

void net_recolor_links(net& network) {
  model_lock lock;
  network.links.for_each([](link& l) { l.focus_color = static_cast<std::int8_t>(link_focus_color(l)); });
}

void net_reset_label_states(net& network) {
  for (const auto& host : network.host_list) node_set_label_state(*host, LABEL_STATE_DEFAULT);
}

void adapter_nets_create(std::span<const adapter_desc> adapters) {
  for (const adapter_desc& adapter : adapters) {
    const net* network = net_new(adapter);
    if (network->media == nullptr) message_error(str_text(STR_BAD_MEDIA));
  }
}

}  // namespace nw

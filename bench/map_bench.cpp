// The map's redraw with 1,000 hosts and 10,000 active links, every host labelled, and the
// paint's copy of the picture to the window.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>

#include "core/hfont.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "map/display.h"
#include "map/map_view.h"
#include "map/palette.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {
namespace {

constexpr int WIDTH = 1280, HEIGHT = 1024;

netaddr mac_of(std::uint32_t i) {
  netaddr a;
  netaddr_init(a, NETADDR_ETHER);
  std::uint8_t* o = netaddr_bytes(a);
  const std::uint8_t bytes[] = {0x00, 0x1B, 0x21, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                                static_cast<std::uint8_t>(i)};
  std::copy(std::begin(bytes), std::end(bytes), o);
  return a;
}

// Hosts named like office stations; links between random pairs, all active, with traffic.
net* make_network() {
  netaddr_registry_init();
  (void)netaddr_ether_register();
  (void)netaddr_ipv4_register();
  net_list_init();
  model_config_reset();
  node_set_name_service({});
  static const adapter_desc adapter{"bench0", "", NETTYPE_ETHERNET};
  net* network = net_new(adapter);
  model_lock lock;
  std::vector<node*> hosts;
  for (std::uint32_t i = 0; i < 1000; ++i) {
    node* h = node_create(*network, mac_of(i));
    char name[32];
    std::snprintf(name, sizeof name, "WORKSTATION-%04u", i);
    node_set_local_name(*h, name);
    network->host_averages.add(h->number, 0, 2048 * (i % 50));
    hosts.push_back(h);
  }
  std::mt19937 rng(3);
  std::uniform_int_distribution<std::size_t> pick(0, hosts.size() - 1);
  while (network->link_count < 10'000) {
    node* s = hosts[pick(rng)];
    node* d = hosts[pick(rng)];
    if (s == d || link_find(*s, d->mac) != nullptr) continue;
    link* l = link_create(*s, *d);
    l->active = 1;
    l->focus_color = static_cast<std::int8_t>(network->link_count % 32);
    network->link_averages.add(l->number, 0, 1024 * (network->link_count % 40));
  }
  // Ten passes with these samples: the means are the samples.
  for (int i = 0; i < MOVING_AVG_SAMPLES; ++i) {
    network->host_averages.next_slot();
    network->link_averages.next_slot();
  }
  return network;
}

void BM_MapRedraw(benchmark::State& state) {
  std::string error;
  if (hfont_load(NODEWREN_FONT_FILE, error) != 1) {
    state.SkipWithError(error.c_str());
    return;
  }
  net* network = make_network();
  map_open(WIDTH, HEIGHT);
  (void)map_resize(WIDTH, HEIGHT);
  palette_apply(palette_defaults());
  for (auto _ : state) {
    model_lock lock;
    std::lock_guard display(map_display_mutex());
    map_draw(*network);
  }
  state.counters["hosts"] = network->node_count;
  state.counters["links"] = network->link_count;
  map_close();
}
BENCHMARK(BM_MapRedraw)->Unit(benchmark::kMillisecond);

// What a paint does with the picture: copy the window's part of it.
void BM_MapPaintCopy(benchmark::State& state) {
  map_open(WIDTH, HEIGHT);
  (void)map_resize(WIDTH, HEIGHT);
  QImage window(WIDTH, HEIGHT, QImage::Format_RGB32);
  for (auto _ : state) {
    std::lock_guard display(map_display_mutex());
    QPainter p(&window);
    p.drawImage(0, 0, map_image(), 0, 0, WIDTH, HEIGHT);
  }
  map_close();
}
BENCHMARK(BM_MapPaintCopy)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nw

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

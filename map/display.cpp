// The map's hosts, labels and links.
#include "map/display.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "core/hutil.h"
#include "draw/draw.h"
#include "map/map_settings.h"
#include "map/map_view.h"
#include "map/palette.h"
#include "map/zoom_marks.h"
#include "model/link.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"

namespace nw {
namespace {

constexpr double CIRCLE_RADIUS = 0.8;
constexpr float LABEL_SIZE = 0.06f;         // × font size
constexpr float MANUFACTURER_SIZE = 0.025f;  // × font size
constexpr double MANUFACTURER_GAP = 0.003;
constexpr double TRAFFIC_SCALE = 0.01;
constexpr double KIB = 1024.0;
constexpr double BYTES_LABEL_GAP = 0.003;
constexpr double PACKETS_LABEL_GAP = 0.02;
constexpr int HOST_COLOR = 7;
constexpr int NO_FOCUS_COLOR = 40;

// The disc's radius before the "max node radius" limit, and the label's distance beyond the
// circle: KiB/s sent in bytes mode, frames/s sent otherwise.
double traffic_size(const node& host, const map_settings& s) {
  const moving_means sent = node_tx_avg(host);
  return s.bytes == 1 ? sent.bytes / KIB * TRAFFIC_SCALE * s.node_scale : sent.frames * TRAFFIC_SCALE * s.node_scale;
}

const name_label& or_mac(const name_label& chosen, const node& host) {
  return label_empty(chosen) ? host.mac_label : chosen;
}

// A label state is a colour index; one the device cannot draw falls back to white rather
// than report itself on every redraw.
int label_color(const name_label& label) {
  return label.state >= 0 && label.state < DRAW_COLORS ? label.state : HOST_COLOR;
}

int link_color(const link& l) {
  const bool focused = l.focus_color >= 0 && l.focus_color < static_cast<std::int32_t>(PALETTE_COLORS);
  return focused ? l.focus_color + PALETTE_FIRST_INDEX : NO_FOCUS_COLOR;
}

void set_label_size(float font_size) { htextsize(LABEL_SIZE * font_size, LABEL_SIZE * font_size); }

// Radial text beside the disc. On the left half the text is turned half a circle more and
// moved back by its own width, so that it reads left to right and ends near the disc.
void draw_label(const node& host, double theta, const map_settings& s, float font_size) {
  const name_label& label = map_host_label(host, s.show_name);
  const double hl = static_cast<double>(label.height);
  const double hb = s.show_manufacturers == 1 ? hl + MANUFACTURER_GAP : hl;
  const double d = traffic_size(host, s) + CIRCLE_RADIUS + (s.bytes == 1 ? BYTES_LABEL_GAP : PACKETS_LABEL_GAP);
  const double yo = -(hl - hb / 2);
  const double degrees = theta * 180.0 / std::numbers::pi;
  if (host.map_x < 0) {
    rot(degrees + 180.0, 'z');
    translate(-(d + static_cast<double>(label.width)), yo, 0.0);
  } else {
    rot(degrees, 'z');
    translate(d, yo, 0.0);
  }
  move(0.0, 0.0, 0.0);
  color(label_color(label));
  hcharstr(label.text.data());
  if (s.show_manufacturers != 1) return;
  move(0.0, -static_cast<double>(host.manuf_label.height * font_size / 2), 0.0);
  htextsize(MANUFACTURER_SIZE * font_size, MANUFACTURER_SIZE * font_size);
  if (!label_empty(host.manuf_label)) hcharstr(host.manuf_label.text.data());
  set_label_size(font_size);
}

}  // namespace

const name_label& map_host_label(const node& host, std::uint32_t mode) {
  switch (mode) {
    case MAP_LABEL_LOCAL: return or_mac(host.local_label, host);
    case MAP_LABEL_IP: return or_mac(host.ip_label, host);
    case MAP_LABEL_MAC: return host.mac_label;
    case MAP_LABEL_DNS: return or_mac(host.dns_label, host);
    default:
      for (const name_label* l : {&host.local_label, &host.dns_label, &host.ip_label}) {
        if (!label_empty(*l)) return *l;
      }
      return host.mac_label;
  }
}

void map_draw(net& network) {
  if (map_suspended()) return;
  color(0);
  clear();
  draw_set_mode(draw_mode::exclusive_or);
  draw_hosts(network);
  draw_set_mode(draw_mode::copy);
  draw_links(network);
  draw_flush();
  zoom_marks_flush();
}

void draw_hosts(net& network) {
  const map_settings& s = map_config();
  const float font_size = model_settings().font_size;
  set_label_size(font_size);
  // Every host keeps its angle whether drawn or not, so a quiet host leaves a gap.
  const double step = 2.0 * std::numbers::pi / static_cast<double>(network.host_list.size());
  std::size_t i = 0;
  for (const auto& h : network.host_list) {
    node& host = *h;
    const double theta = step * static_cast<double>(i++);
    host.map_x = CIRCLE_RADIUS * std::cos(theta);
    host.map_y = CIRCLE_RADIUS * std::sin(theta);
    host.map_word1 = host.map_word2 = 0;
    color(HOST_COLOR);
    if (s.dynamic != 0 && host.active != 1) continue;
    draw_host(host);
    pushmatrix();
    draw_label(host, theta, s, font_size);
    popmatrix();
  }
}

void draw_host(node& host) {
  const map_settings& s = map_config();
  const double r = std::min(traffic_size(host, s), s.max_node_radius);
  draw_filled_circle(host.map_x, host.map_y, r);
  zoom_mark_host(host.map_x, host.map_y, r);
  // The next ageing pass says again whether it is active.
  host.active = 0;
  host.network->awake_hosts.wake(host.number);
}

void draw_links(net& network) {
  const map_settings& s = map_config();
  for (const auto& host : network.host_list) {
    host->links_out.foreach([&](const link* l) {
      if (!link_active(*l) && s.dynamic != 0) return;
      color(link_color(*l));
      draw_link(*host, *l);
    });
  }
}

void draw_link(const node& source, const link& l) {
  if (l.dst == nullptr) return;
  const map_settings& s = map_config();
  const double kib = link_avg(l).bytes / KIB;
  const double width = std::trunc(s.link_scale != 0.0 ? kib * s.link_scale : kib);
  const double limit = std::min(static_cast<double>(s.max_link_width), static_cast<double>(INT_MAX));
  linewidth(static_cast<int>(std::clamp(width, 0.0, limit)));
  move2(source.map_x, source.map_y);
  draw2(l.dst->map_x, l.dst->map_y);
  linewidth(1);
}

void rescale_labels(net& network) {
  const float height = model_label_height();
  htextsize(height, height);
  for (const auto& host : network.host_list) {
    for (name_label* l : {&host->mac_label, &host->local_label, &host->ip_label, &host->dns_label}) {
      // An empty label stays 0 × 0: it is no name at all.
      if (label_empty(*l)) continue;
      l->width = text_width(l->text.data());
      l->height = height;
    }
  }
}

}  // namespace nw

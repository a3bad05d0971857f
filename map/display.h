// Drawing the network map: every host a disc on one circle with its label beside it, every
// link a line whose width follows its traffic and whose colour is its focus protocol's.
//
// The capture thread redraws after each pass, holding the model lock (hosts, links and the
// model's font size change only under it) and then the display mutex (the drawing device and
// the off-screen picture, map/map_view.h). The settings come from map_config().
#pragma once

#include <cstdint>

namespace nw {

struct net;
struct node;
struct link;
struct name_label;

// The whole map: black, the hosts exclusive-or (overlapping discs show black where they
// overlap), then the links over them in copy mode. Nothing while the display is suspended.
void map_draw(net& network);
// Places every host on the circle (map_x, map_y) in host_list order and draws the discs and
// labels of those shown.
void draw_hosts(net& network);
// The host's disc at its place, its mark in the zoom box; clears its active flag.
void draw_host(node& host);
// Every shown link of every host, in host_list order and bucket order of links_out.
void draw_links(net& network);
// One link from its source's place to its destination's, at the current colour.
void draw_link(const node& source, const link& l);
// Measures every host's name labels again at the model's font size, after it changed. Caller
// holds the model lock (it walks the host list) and then the display mutex.
void rescale_labels(net& network);

// The label a host shows in a label mode ("show name").
[[nodiscard]] const name_label& map_host_label(const node& host, std::uint32_t mode);

}  // namespace nw

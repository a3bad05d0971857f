// What the headless run prints: per network its figures, hosts, links and rankings; then the
// protocol breakdown, the network events and the alarms.
#pragma once

#include <cstdio>
#include <vector>

#include "app/headless_run.h"

namespace nw {

struct protocol_node;

// Takes the model lock while it reads, and the alarm mutex for the alarm ranking.
void headless_print_network(std::FILE* out, const headless_network& run);
// Every protocol node that counted a frame, in tree order, with its path from the root.
void headless_print_protocols(std::FILE* out, const protocol_node* root);
void headless_print_events(std::FILE* out);
// The alarm lines with their times, then every alarm's hits: how many, the first and the last.
void headless_print_alarms(std::FILE* out);

}  // namespace nw

// The headless run's link lines: one per link, by source host in host order, each host's links
// oldest first.
#pragma once

#include <cstdio>

namespace nw {

struct net;

// Caller holds the model lock.
void headless_print_links(std::FILE* out, const net& n);

}  // namespace nw

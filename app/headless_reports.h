// The headless run's reports: the host, statistics and alarm reports of every network it made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/headless_run.h"

namespace nw {

struct protocol_node;

// Writes the three report sets into dir (made when missing); with several networks each gets a
// folder of its own, numbered in the order of their captures (dir/1, dir/2, ...). Each report
// not written is said on standard error; returns their number.
[[nodiscard]] int headless_write_reports(const std::vector<headless_network>& runs, const std::string& dir,
                                         const protocol_node* protocols, std::uint32_t start_time);

}  // namespace nw

// The top-senders ranking: hosts by bytes sent, shown by their best name.
#pragma once

#include <string>

#include "stats/topn.h"

namespace nw {

// The host's best name; node_best_label is the host record's own, found through its namespace.
template <typename Host>
std::string topn_host_label(const Host& host) {
  return std::string(node_best_label(host));
}

template <typename Host>
inline constexpr topn_callbacks<Host> host_topn_callbacks{
    topn_compare_by<Host, topn_field_value<Host, &Host::tx_bytes>>,
    topn_field_index<Host, &Host::senders_pos>,
    topn_field_set_index<Host, &Host::senders_pos>,
    topn_host_label<Host>,
    topn_field_value<Host, &Host::tx_bytes>,
};

template <typename Host>
[[nodiscard]] topn<Host> host_topn_create() {
  return topn_create(&host_topn_callbacks<Host>);
}

}  // namespace nw

// The top-receivers ranking: hosts by bytes received, shown by their best name.
#pragma once

#include "stats/host_topn.h"
#include "stats/topn.h"

namespace nw {

template <typename Host>
inline constexpr topn_callbacks<Host> recv_topn_callbacks{
    topn_compare_by<Host, topn_field_value<Host, &Host::rx_bytes>>,
    topn_field_index<Host, &Host::receivers_pos>,
    topn_field_set_index<Host, &Host::receivers_pos>,
    topn_host_label<Host>,
    topn_field_value<Host, &Host::rx_bytes>,
};

template <typename Host>
[[nodiscard]] topn<Host> recv_topn_create() {
  return topn_create(&recv_topn_callbacks<Host>);
}

}  // namespace nw

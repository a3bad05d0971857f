// The top-links ranking: directed links by bytes, shown as "source, destination".
#pragma once

#include <string>

#include "stats/host_topn.h"
#include "stats/topn.h"

namespace nw {

// A link always has both hosts: it is made from a frame's source and destination.
template <typename Link>
std::string link_topn_label(const Link& link) {
  return topn_host_label(*link.src) + ", " + topn_host_label(*link.dst);
}

template <typename Link>
inline constexpr topn_callbacks<Link> link_topn_callbacks{
    topn_compare_by<Link, topn_field_value<Link, &Link::bytes>>,
    topn_field_index<Link, &Link::links_pos>,
    topn_field_set_index<Link, &Link::links_pos>,
    link_topn_label<Link>,
    topn_field_value<Link, &Link::bytes>,
};

template <typename Link>
[[nodiscard]] topn<Link> link_topn_create() {
  return topn_create(&link_topn_callbacks<Link>);
}

}  // namespace nw

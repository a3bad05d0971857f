// A faster search of a child list that gives the same node as trying the children one by one.
// Consecutive children that test the same field the same way (one size, byte order and pair of
// offsets, a value range rather than a mask) form a run; a run is searched by value in a table
// of intervals, each giving the first child of the run whose range holds the value.
#pragma once

#include <cstdint>
#include <vector>

#include "pdl/pd_model.h"

namespace nw {

struct pd_interval {
  std::uint32_t low;
  std::uint32_t high;
  std::uint32_t index;  // into the run's nodes: the first whose range holds low..high
};

struct pd_run {
  std::vector<protocol_node*> nodes;  // in list order
  std::uint32_t field_type = 0;
  std::uint32_t offset = 0;
  std::uint32_t offset2 = 0;
  std::int32_t two_offsets = 0;
  std::vector<pd_interval> intervals;  // ascending, disjoint; unused for a run of one node
};

struct pd_dispatch {
  std::vector<pd_run> runs;  // in list order
};

// Gives every node of the tree below root that has children the search of its child list.
void pd_dispatch_build(protocol_node* root);

}  // namespace nw

// Completing the tree after reading: a protocol named in several blocks gets its canonical
// node's whole subtree under every place, with counters of its own.
#pragma once

#include <cstddef>

#include "pdl/pd_model.h"

namespace nw {

// More nodes than this come only from a file that multiplies subtrees without end (the
// shipped tree has under ten thousand).
inline constexpr std::size_t PD_NODE_LIMIT = 200'000;

// A deep copy of a sibling list and everything below it, with fresh zeroed counters.
[[nodiscard]] protocol_node* pd_copy_tree(const protocol_node* list);

// One pass over the tree from root: every childless node of a protocol with two or more
// places, other than its canonical node, receives a copy of the canonical node's children.
// Each node is visited after its children and its following siblings. Returns 0 when a copy
// was left out because it would pass PD_NODE_LIMIT, else 1.
[[nodiscard]] int pd_resolve(protocol_node* root);

}  // namespace nw

// Building the per-list search tables.
#include "pdl/pd_dispatch.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace nw {
namespace {

bool is_range_test(const protocol_node* node) {
  const std::uint32_t type = node->def->field_type;
  return (type & PD_FIELD_MASK) == 0 && (type & PD_FIELD_SIZE) != 0;
}

bool same_field(const pd_run& run, const protocol_node* node) {
  return run.field_type == node->def->field_type && run.offset == node->offset &&
         run.offset2 == node->offset2 && run.two_offsets == node->two_offsets;
}

// Sweeps the range bounds in order, keeping the nodes whose ranges are open; each piece of
// the value space gets the first open node (lowest list index). Equal neighbours merge.
std::vector<pd_interval> intervals_of(const std::vector<protocol_node*>& nodes) {
  struct bound {
    std::uint64_t at;
    std::uint32_t index;
    bool opens;
  };
  std::vector<bound> bounds;
  for (std::uint32_t i = 0; i < nodes.size(); ++i) {
    const protocol_def* def = nodes[i]->def;
    if (def->low > def->high) continue;  // an empty range matches nothing
    bounds.push_back({def->low, i, true});
    bounds.push_back({std::uint64_t{def->high} + 1, i, false});
  }
  std::sort(bounds.begin(), bounds.end(), [](const bound& a, const bound& b) { return a.at < b.at; });
  std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> open;
  std::vector<bool> closed(nodes.size(), false);
  std::vector<pd_interval> intervals;
  for (std::size_t b = 0; b < bounds.size();) {
    const std::uint64_t at = bounds[b].at;
    for (; b < bounds.size() && bounds[b].at == at; ++b) {
      if (bounds[b].opens) {
        open.push(bounds[b].index);
      } else {
        closed[bounds[b].index] = true;
      }
    }
    while (!open.empty() && closed[open.top()]) open.pop();
    if (open.empty() || b == bounds.size()) continue;
    const auto low = static_cast<std::uint32_t>(at);
    const auto high = static_cast<std::uint32_t>(bounds[b].at - 1);
    if (!intervals.empty() && intervals.back().index == open.top() && intervals.back().high + 1 == low) {
      intervals.back().high = high;
    } else {
      intervals.push_back({low, high, open.top()});
    }
  }
  return intervals;
}

pd_dispatch dispatch_of(protocol_node* list) {
  pd_dispatch dispatch;
  bool last_is_range_test = false;
  for (protocol_node* n = list; n != nullptr; n = n->next) {
    if (last_is_range_test && is_range_test(n) && same_field(dispatch.runs.back(), n)) {
      dispatch.runs.back().nodes.push_back(n);
      continue;
    }
    dispatch.runs.push_back({{n}, n->def->field_type, n->offset, n->offset2, n->two_offsets, {}});
    last_is_range_test = is_range_test(n);
  }
  for (pd_run& run : dispatch.runs) {
    if (run.nodes.size() > 1) run.intervals = intervals_of(run.nodes);
  }
  return dispatch;
}

}  // namespace

void pd_dispatch_build(protocol_node* root) {
  std::vector<protocol_node*> pending{root};
  while (!pending.empty()) {
    protocol_node* n = pending.back();
    pending.pop_back();
    for (; n != nullptr; n = n->next) {
      if (n->child == nullptr) continue;
      n->dispatch = pd_dispatch_new(dispatch_of(n->child));
      pending.push_back(n->child);
    }
  }
}

}  // namespace nw

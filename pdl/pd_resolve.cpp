// The resolve pass and the deep copy of subtrees. Both walk with explicit stacks: copies can
// make trees deeper than the call stack allows.
#include "pdl/pd_resolve.h"

#include <algorithm>
#include <vector>

namespace nw {
namespace {

// Counting stops past `budget`: only whether the copy fits matters.
std::size_t count_nodes(const protocol_node* list, std::size_t budget) {
  std::size_t count = 0;
  std::vector<const protocol_node*> pending{list};
  while (!pending.empty() && count <= budget) {
    const protocol_node* n = pending.back();
    pending.pop_back();
    for (; n != nullptr && count <= budget; n = n->next) {
      ++count;
      if (n->child != nullptr) pending.push_back(n->child);
    }
  }
  return count;
}

std::vector<protocol_node*> siblings_of(protocol_node* first) {
  std::vector<protocol_node*> list;
  for (protocol_node* n = first; n != nullptr; n = n->next) list.push_back(n);
  return list;
}

// 0 when the copy was refused by the node limit.
int complete(protocol_node* node) {
  const protocol_def* def = node->def;
  if (def->refs < 2 || node->child != nullptr) return 1;
  const protocol_node* canonical = pd_index_find(def);
  if (canonical == nullptr || canonical == node || canonical->child == nullptr) return 1;
  const std::size_t budget = PD_NODE_LIMIT - std::min(PD_NODE_LIMIT, pd_node_count());
  if (count_nodes(canonical->child, budget) > budget) return 0;
  node->child = pd_copy_tree(canonical->child);
  return 1;
}

}  // namespace

protocol_node* pd_copy_tree(const protocol_node* list) {
  protocol_node* head = nullptr;
  struct work {
    const protocol_node* source;
    protocol_node** link;
  };
  std::vector<work> pending{{list, &head}};
  while (!pending.empty()) {
    auto [source, link] = pending.back();
    pending.pop_back();
    for (; source != nullptr; source = source->next) {
      protocol_node* copy = pd_node_new(source->def);
      copy->two_offsets = source->two_offsets;
      copy->offset = source->offset;
      copy->offset2 = source->offset2;
      *link = copy;
      link = &copy->next;
      if (source->child != nullptr) pending.push_back({source->child, &copy->child});
    }
  }
  return head;
}

// Visiting a sibling list means: each sibling's subtree in order, then the siblings
// themselves from the last to the first.
int pd_resolve(protocol_node* root) {
  struct frame {
    std::vector<protocol_node*> siblings;
    std::size_t next_child = 0;
  };
  int result = 1;
  std::vector<frame> stack;
  stack.push_back({siblings_of(root)});
  while (!stack.empty()) {
    frame& top = stack.back();
    if (top.next_child < top.siblings.size()) {
      protocol_node* n = top.siblings[top.next_child++];
      if (n->child != nullptr) stack.push_back({siblings_of(n->child)});
      continue;
    }
    // After one refusal every further copy would be refused too: stop trying.
    for (auto it = top.siblings.rbegin(); it != top.siblings.rend() && result != 0; ++it) {
      result = complete(*it);
    }
    stack.pop_back();
  }
  return result;
}

}  // namespace nw

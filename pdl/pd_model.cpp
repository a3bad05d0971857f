// Storage of the protocol model: stable addresses, freed all at once.
#include "pdl/pd_model.h"

#include <deque>
#include <memory>

#include "core/hashtable.h"
#include "pdl/pd_dispatch.h"

namespace nw {
namespace {

// The index is keyed by the definition's identity.
std::uint32_t def_hash(const protocol_def* const& def) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(def));
}
int def_compare(const protocol_def* const& stored, const protocol_def* const& def) {
  return stored == def ? 0 : 1;
}
constexpr ht_functions<const protocol_def*> def_functions{def_hash, def_compare};

// Owned by the thread that reads the protocol file; read-only afterwards.
struct model {
  std::deque<protocol_def> defs;
  std::deque<protocol_node> nodes;
  std::deque<proto_stats> stats;
  std::deque<length_rule> rules;
  std::deque<pd_dispatch> dispatches;
  hash_table<const protocol_def*, protocol_node*> index{def_functions};
};

std::unique_ptr<model> current = std::make_unique<model>();

}  // namespace

protocol_def* pd_def_new(const std::string& name) {
  protocol_def& def = current->defs.emplace_back();
  def.name = name;
  return &def;
}

protocol_node* pd_node_new(protocol_def* def) {
  protocol_node& node = current->nodes.emplace_back();
  node.def = def;
  node.stats = &current->stats.emplace_back();
  return &node;
}

length_rule* pd_rule_new() { return &current->rules.emplace_back(); }

const pd_dispatch* pd_dispatch_new(pd_dispatch&& dispatch) {
  return &current->dispatches.emplace_back(std::move(dispatch));
}

std::size_t pd_node_count() { return current->nodes.size(); }

protocol_node* pd_index_find(const protocol_def* def) {
  protocol_node* const* found = current->index.find(def);
  return found != nullptr ? *found : nullptr;
}

void pd_index_put(const protocol_def* def, protocol_node* node) {
  ht_insert(current->index, def, node);
}

void pd_model_reset() {
  current = std::make_unique<model>();
}

}  // namespace nw

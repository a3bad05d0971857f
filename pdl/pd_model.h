// The protocol model read from the protocol file: definitions, tree nodes, length rules,
// per-node counters, and the index from a definition to its canonical node.
#pragma once

#include <cstdint>
#include <string>

namespace nw {

struct pd_dispatch;

// Field type flag word of a selecting field or a length rule.
inline constexpr std::uint32_t PD_FIELD_SIZE = 0x07;    // 0 (no field: reads 0), 1, 2 or 4 bytes
inline constexpr std::uint32_t PD_FIELD_MASK = 0x08;    // test value AND mask instead of a range
inline constexpr std::uint32_t PD_FIELD_IBO = 0x40;     // least-significant byte first
inline constexpr std::uint32_t PD_FIELD_LENGTH = 0x80;  // length rules: the value is a length

// Names and descriptions hold at most 39 bytes.
inline constexpr std::size_t PD_NAME_MAX = 39;

struct length_rule {
  length_rule* next = nullptr;  // the alternative tried when this rule does not apply
  std::uint32_t field_type = 0;
  std::uint32_t offset = 0;  // from the start of the protocol's own header
  std::uint32_t value = 0;   // comparison value, or the mask with PD_FIELD_MASK
  std::uint32_t masked_value = 0;
  std::uint32_t increment = 0;
  length_rule* then = nullptr;  // evaluated after this rule applies
};

struct protocol_def {
  std::int32_t refs = 0;  // tree nodes made for this protocol by child lines
  std::string name;
  std::string description;
  std::uint32_t low = 0;  // lower bound, or the bit mask with PD_FIELD_MASK
  std::uint32_t high = 0;
  std::uint32_t field_type = 0;
  std::uint32_t header_length = 0;
  length_rule* length_rules = nullptr;
};

// Counters are floating point so that they never wrap.
struct proto_stats {
  double bytes = 0;
  double frames = 0;
};

struct protocol_node {
  protocol_node* next = nullptr;   // the next alternative at the same level
  protocol_node* child = nullptr;  // first child
  protocol_def* def = nullptr;
  std::int32_t two_offsets = 0;
  std::uint32_t offset = 0;  // from the start of the parent protocol's header
  std::uint32_t offset2 = 0;
  proto_stats* stats = nullptr;
  const pd_dispatch* dispatch = nullptr;  // search of the child list, built after reading
};

// Records live until pd_model_reset; their addresses never change.
[[nodiscard]] protocol_def* pd_def_new(const std::string& name);
// A node of def with fresh zeroed counters.
[[nodiscard]] protocol_node* pd_node_new(protocol_def* def);
[[nodiscard]] length_rule* pd_rule_new();
[[nodiscard]] const pd_dispatch* pd_dispatch_new(pd_dispatch&& dispatch);
[[nodiscard]] std::size_t pd_node_count();

// The canonical node of a definition, or nullptr.
[[nodiscard]] protocol_node* pd_index_find(const protocol_def* def);
void pd_index_put(const protocol_def* def, protocol_node* node);

// Frees every record and empties the index.
void pd_model_reset();

}  // namespace nw

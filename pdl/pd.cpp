// The per-frame walk of the protocol tree and the look-ups by path.
#include "pdl/pd.h"

#include <algorithm>
#include <vector>

#include "pdl/pd_dispatch.h"

namespace nw {
namespace {

// Written by the capture thread only.
decode_path path;

// The octets from `offset` to the end of the captured frame; empty beyond it.
std::span<const std::uint8_t> bytes_from(std::span<const std::uint8_t> frame, std::uint64_t offset) {
  return offset < frame.size() ? frame.subspan(static_cast<std::size_t>(offset))
                               : std::span<const std::uint8_t>{};
}

// Reads a field of the given type; false when it lies (partly) beyond the captured octets. Every
// frame reads several: the usual sizes are read whole rather than octet by octet.
bool read_field(std::uint32_t field_type, std::span<const std::uint8_t> at, std::uint32_t* value) {
  const std::uint32_t size = field_type & PD_FIELD_SIZE;
  if (at.size() < size) return false;
  const bool least_first = (field_type & PD_FIELD_IBO) != 0;
  const std::uint8_t* p = at.data();
  switch (size) {
    case 1: *value = p[0]; return true;
    case 2: *value = least_first ? std::uint32_t{p[1]} << 8 | p[0] : std::uint32_t{p[0]} << 8 | p[1]; return true;
    case 4:
      *value = least_first ? std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]
                           : std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
      return true;
    default: break;
  }
  std::uint32_t v = 0;
  if (least_first) {
    for (std::uint32_t i = size; i-- > 0;) v = (v << 8) | at[i];
  } else {
    for (std::uint32_t i = 0; i < size; ++i) v = (v << 8) | at[i];
  }
  *value = v;
  return true;
}

bool node_matches(const protocol_node* node, std::span<const std::uint8_t> frame,
                  std::uint64_t position) {
  if (pd_match(node, bytes_from(frame, position + node->offset)) != 0) return true;
  return node->two_offsets != 0 && pd_match(node, bytes_from(frame, position + node->offset2)) != 0;
}

// The first node of the list from `first` on that matches, trying each in turn.
protocol_node* first_match_of(protocol_node* first, std::span<const std::uint8_t> frame,
                              std::uint64_t position) {
  for (protocol_node* n = first; n != nullptr; n = n->next) {
    if (node_matches(n, frame, position)) return n;
  }
  return nullptr;
}

// The lowest index of a run node whose range holds the value read at `at`, or `best`.
std::uint32_t run_lookup(const pd_run& run, std::span<const std::uint8_t> at, std::uint32_t best) {
  std::uint32_t value = 0;
  if (!read_field(run.field_type, at, &value)) return best;
  auto it = std::upper_bound(run.intervals.begin(), run.intervals.end(), value,
                             [](std::uint32_t v, const pd_interval& i) { return v < i.low; });
  if (it == run.intervals.begin()) return best;
  --it;
  return value <= it->high ? std::min(best, it->index) : best;
}

// The first child of parent that matches: the same node as trying the children in turn.
protocol_node* first_child_match(const protocol_node* parent, std::span<const std::uint8_t> frame,
                                 std::uint64_t position) {
  if (parent->dispatch == nullptr) return first_match_of(parent->child, frame, position);
  for (const pd_run& run : parent->dispatch->runs) {
    if (run.nodes.size() == 1) {
      if (node_matches(run.nodes[0], frame, position)) return run.nodes[0];
      continue;
    }
    constexpr std::uint32_t none = 0xFFFFFFFFU;
    std::uint32_t best = run_lookup(run, bytes_from(frame, position + run.offset), none);
    if (run.two_offsets != 0) best = run_lookup(run, bytes_from(frame, position + run.offset2), best);
    if (best != none) return run.nodes[best];
  }
  return nullptr;
}

}  // namespace

int pd_match(const protocol_node* node, std::span<const std::uint8_t> field) {
  const protocol_def* def = node->def;
  std::uint32_t value = 0;
  if (!read_field(def->field_type, field, &value)) return 0;
  if ((def->field_type & PD_FIELD_MASK) != 0) return (value & def->low) != 0 ? 1 : 0;
  return def->low <= value && value <= def->high ? 1 : 0;
}

// The first rule that applies wins; its then list adds to the same accumulator.
void pd_length(const length_rule* rules, std::span<const std::uint8_t> header,
               std::uint32_t* accumulator) {
  for (const length_rule* rule = rules; rule != nullptr; rule = rule->next) {
    std::uint32_t value = 0;
    if (!read_field(rule->field_type, bytes_from(header, rule->offset), &value)) continue;
    const bool is_length = (rule->field_type & PD_FIELD_LENGTH) != 0;
    if ((rule->field_type & PD_FIELD_MASK) != 0) value &= rule->value;
    const std::uint32_t expected =
        (rule->field_type & PD_FIELD_MASK) != 0 ? rule->masked_value : rule->value;
    if (is_length) {
      *accumulator += value;
    } else if (value == expected) {
      *accumulator += rule->increment;
    } else {
      continue;
    }
    pd_length(rule->then, header, accumulator);
    return;
  }
}

namespace {

void count_node(protocol_node* n, std::int32_t length) {
  n->stats->bytes += length;
  n->stats->frames += 1;
}

// A child is tested from the start of its parent's header: the header length applied after a
// match is the previously matched node's, so the start node's counts twice.
template <typename OnMatch>
void walk(std::span<const std::uint8_t> frame, protocol_node* start, OnMatch&& on_match) {
  protocol_node* current = first_match_of(start, frame, 0);
  const protocol_node* previous = start;
  std::uint64_t position = 0;
  while (current != nullptr) {
    on_match(current);
    std::uint32_t accumulator = 0;
    pd_length(previous->def->length_rules, bytes_from(frame, position), &accumulator);
    position += std::uint64_t{accumulator} + previous->def->header_length;
    previous = current;
    current = first_child_match(current, frame, position);
  }
}

}  // namespace

const decode_path& pd_decode(std::span<const std::uint8_t> frame, std::int32_t length,
                             protocol_node* start) {
  std::size_t depth = 0;
  walk(frame, start, [&](protocol_node* n) {
    count_node(n, length);
    if (depth < PDL_PATH_MAX) path[depth++] = n;
  });
  path[depth] = nullptr;
  return path;
}

bool pd_classify(std::span<const std::uint8_t> frame, protocol_node* start, decode_path& out) {
  std::size_t depth = 0;
  bool whole = true;
  walk(frame, start, [&](protocol_node* n) {
    if (depth < PDL_PATH_MAX) {
      out[depth++] = n;
    } else {
      whole = false;
    }
  });
  out[depth] = nullptr;
  return whole;
}

std::size_t pd_count(protocol_node* const* path, std::int32_t length) {
  std::size_t depth = 0;
  for (; path[depth] != nullptr; ++depth) count_node(path[depth], length);
  return depth;
}

// Pre-order over node, its children, then its following siblings; a name that matches the
// current component consumes it for good, even if that branch then fails.
protocol_node* pd_find_path(protocol_node* node, std::string_view path_text) {
  std::vector<std::string_view> components;
  for (std::size_t start = 0;;) {
    const std::size_t end = path_text.find('\\', start);
    components.push_back(path_text.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (path_text.empty()) return nullptr;
  std::size_t consumed = 0;
  std::vector<protocol_node*> pending{node};
  while (!pending.empty()) {
    protocol_node* n = pending.back();
    pending.pop_back();
    if (n == nullptr) continue;
    if (n->def->name == components[consumed] && ++consumed == components.size()) return n;
    pending.push_back(n->next);
    pending.push_back(n->child);
  }
  return nullptr;
}

int pd_path_name(const protocol_node* node, const protocol_node* target, std::string* text) {
  // Each entry is a node still to visit and the chain of nodes whose children led to it.
  struct visit {
    const protocol_node* node;
    std::size_t ancestors;  // how many of `chain` lead to it
  };
  std::vector<const protocol_node*> chain;
  std::vector<visit> pending{{node, 0}};
  while (!pending.empty()) {
    const visit v = pending.back();
    pending.pop_back();
    if (v.node == nullptr) continue;
    chain.resize(v.ancestors);
    if (v.node == target) {
      std::string name = target->def->name;
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) name += "\\" + (*it)->def->name;
      *text = std::move(name);
      return 1;
    }
    pending.push_back({v.node->next, v.ancestors});
    chain.push_back(v.node);
    pending.push_back({v.node->child, v.ancestors + 1});
  }
  return 0;
}

}  // namespace nw

// Classification of a frame by walking the protocol tree, and look-ups in the tree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "pdl/pd_model.h"

namespace nw {

inline constexpr int PDL_PATH_MAX = 20;

// The nodes a frame matched, outermost first, ended by nullptr.
using decode_path = std::array<protocol_node*, PDL_PATH_MAX + 1>;

// Walks the tree from start over the captured octets of frame, adding `length` (the frame's
// length on the wire) and one frame to the counters of every node matched. A field beyond
// the captured octets does not match. Returns the shared path, valid until the next call;
// only one thread may decode. Allocates nothing.
const decode_path& pd_decode(std::span<const std::uint8_t> frame, std::int32_t length,
                             protocol_node* start);
// The walk alone: the nodes matched go to `path`, ended by nullptr, and nothing is counted. It
// reads only the tree, which does not change once loaded, so any thread may classify frames
// for the capture thread to count later. False when more nodes matched than a path holds: the
// frame is then left to pd_decode, which counts them all.
[[nodiscard]] bool pd_classify(std::span<const std::uint8_t> frame, protocol_node* start, decode_path& path);
// What pd_decode adds for a path that pd_classify gave (ended by nullptr); returns the number of
// nodes on the path.
std::size_t pd_count(protocol_node* const* path, std::int32_t length);

// 1 when the node's selecting field, read from the start of `field`, matches its protocol.
[[nodiscard]] int pd_match(const protocol_node* node, std::span<const std::uint8_t> field);

// Adds to *accumulator the length the rules give for the header that starts `header`.
void pd_length(const length_rule* rules, std::span<const std::uint8_t> header,
               std::uint32_t* accumulator);

// The node reached by the backslash-separated protocol names of path, or nullptr.
[[nodiscard]] protocol_node* pd_find_path(protocol_node* node, std::string_view path);

// 1 and the names from target up to node, innermost first, separated by "\", in *text;
// 0 (text unchanged) when target does not lie in the tree below or at node.
[[nodiscard]] int pd_path_name(const protocol_node* node, const protocol_node* target,
                               std::string* text);

}  // namespace nw

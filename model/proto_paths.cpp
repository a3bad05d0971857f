#include "model/proto_paths.h"

#include <algorithm>
#include <cstddef>
#include <functional>

namespace nw {
namespace {

std::size_t length_of(std::span<protocol_node* const> path) {
  return static_cast<std::size_t>(std::find(path.begin(), path.end(), nullptr) - path.begin());
}

std::uint64_t hash_of(std::span<protocol_node* const> path) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (const protocol_node* proto : path) h = (h ^ std::hash<const protocol_node*>{}(proto)) * 0x100000001B3ULL;
  return h;
}

}  // namespace

std::span<const protocol_node* const> proto_path_table::at(std::uint32_t number) const {
  const range r = ranges_[number - 1];
  return {nodes_.data() + r.start, r.length};
}

bool proto_path_table::same(std::uint32_t number, std::span<protocol_node* const> path) const {
  const std::span<const protocol_node* const> mine = at(number);
  if (path.size() < mine.size() || !std::equal(mine.begin(), mine.end(), path.begin())) return false;
  return path.size() == mine.size() || path[mine.size()] == nullptr;
}

std::uint32_t proto_path_table::intern(std::span<protocol_node* const> path) {
  path = path.first(length_of(path));
  if (path.empty()) return 0;
  if (last_ != 0 && same(last_, path)) return last_;
  const std::uint64_t h = hash_of(path);
  const auto [first, end] = by_hash_.equal_range(h);
  for (auto it = first; it != end; ++it) {
    if (same(it->second, path)) return last_ = it->second;
  }
  // A path leads from the root of the protocol tree to one of its nodes, so there are no more
  // of them than the tree has nodes. Every container grows before anything is entered, so
  // running out of memory enters nothing.
  if (nodes_.capacity() < nodes_.size() + path.size()) nodes_.reserve(2 * (nodes_.size() + path.size()));
  if (ranges_.capacity() == ranges_.size()) ranges_.reserve(2 * ranges_.size() + 1);
  const auto number = static_cast<std::uint32_t>(ranges_.size() + 1);
  by_hash_.emplace(h, number);
  ranges_.push_back({static_cast<std::uint32_t>(nodes_.size()), static_cast<std::uint32_t>(path.size())});
  nodes_.insert(nodes_.end(), path.begin(), path.end());
  return last_ = number;
}

}  // namespace nw

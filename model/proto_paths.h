// The distinct protocol paths a network's frames took, each stored once and named by a number.
// Nearly every link carries one kind of traffic: such a link keeps its path's number instead of
// a protocol tree of its own (link::one_path).
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace nw {

struct protocol_node;

class proto_path_table {
 public:
  // The number of path's protocols up to its first nullptr or its end, entered when new; 0 for
  // an empty path.
  std::uint32_t intern(std::span<protocol_node* const> path);
  // The protocols of a number intern gave (not 0), outermost first. Valid until the next intern.
  [[nodiscard]] std::span<const protocol_node* const> at(std::uint32_t number) const;
  // Whether path, up to its first nullptr or its end, is exactly path number `number`.
  [[nodiscard]] bool same(std::uint32_t number, std::span<protocol_node* const> path) const;

 private:
  struct range {
    std::uint32_t start;
    std::uint32_t length;
  };
  std::vector<const protocol_node*> nodes_;  // every path back to back
  std::vector<range> ranges_;                 // by number - 1
  std::unordered_multimap<std::uint64_t, std::uint32_t> by_hash_;
  std::uint32_t last_ = 0;  // the number intern gave last: new links mostly repeat it
};

}  // namespace nw

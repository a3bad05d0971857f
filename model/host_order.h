// The hosts of a network in ascending hardware address order: the order of the map's circle and
// of every host list. Stations arrive by the thousand when a large segment is first seen, while
// the order is read only when the map is drawn or a list is made: adding is a push onto the
// end, and a reader first sorts the hosts added since the last read and merges them into place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace nw {

struct node;

class host_order {
 public:
  // Room for one more host, so that the next add does not allocate.
  void reserve_one() {
    if (hosts_.size() == hosts_.capacity()) hosts_.reserve(std::max<std::size_t>(16, 2 * hosts_.capacity()));
  }
  // A host not added before.
  void add(node* host) { hosts_.push_back(host); }

  [[nodiscard]] std::size_t size() const { return hosts_.size(); }
  [[nodiscard]] bool empty() const { return hosts_.empty(); }
  // Readers hold the model lock, under which the order is put right.
  [[nodiscard]] auto begin() const {
    order();
    return hosts_.cbegin();
  }
  [[nodiscard]] auto end() const {
    order();
    return hosts_.cend();
  }
  [[nodiscard]] node* operator[](std::size_t i) const {
    order();
    return hosts_[i];
  }

 private:
  void order() const;

  mutable std::vector<node*> hosts_;
  mutable std::size_t ordered_ = 0;  // hosts_ before this are in order
};

}  // namespace nw

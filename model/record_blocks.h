// Records by number in blocks that never move: a record's place follows from its number, so a
// pass that visits records by number reads no array of pointers first, and making a record
// allocates once per block.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace nw {

template <typename Record, std::size_t BlockRecords>
class record_blocks {
 public:
  // Room for records up to count, so that adding them does not allocate.
  void reserve(std::size_t count) {
    while (blocks_.size() * BlockRecords < count) blocks_.push_back(std::make_unique<Record[]>(BlockRecords));
  }
  // A new default record, numbered size() before the call.
  Record& add() {
    reserve(count_ + 1);
    return (*this)[count_++];
  }
  [[nodiscard]] std::size_t size() const { return count_; }
  [[nodiscard]] Record& operator[](std::size_t number) const { return blocks_[number / BlockRecords][number % BlockRecords]; }
  // fn(record) in number order.
  template <typename Fn>
  void for_each(Fn&& fn) const {
    for (std::size_t number = 0; number < count_; ++number) fn((*this)[number]);
  }

 private:
  std::vector<std::unique_ptr<Record[]>> blocks_;
  std::size_t count_ = 0;
};

}  // namespace nw

// Records by number in blocks that never move: a record's place follows from its number, so a
// pass that visits records by number reads no array of pointers first, and making a record
// allocates once per block. Blocks of WARM_BLOCK_BYTES come from the warm reserve.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "core/warm_blocks.h"

namespace nw {

template <typename Record, std::size_t BlockRecords>
class record_blocks {
 public:
  // Room for records up to count, so that adding them does not allocate.
  void reserve(std::size_t count) {
    // A push that fails destroys the new block with its owner.
    while (blocks_.size() * BlockRecords < count) blocks_.push_back(new_block());
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
  // Blocks that fill most of a warm block come from the reserve.
  static constexpr bool WARM = sizeof(Record) * BlockRecords <= WARM_BLOCK_BYTES &&
                               sizeof(Record) * BlockRecords > WARM_BLOCK_BYTES - sizeof(Record);
  static_assert(!WARM || alignof(Record) <= WARM_BLOCK_ALIGN);

  struct block_deleter {
    void operator()(Record* records) const noexcept {
      if constexpr (WARM) {
        std::destroy_n(records, BlockRecords);
        warm_blocks::give_back(records);
      } else {
        delete[] records;
      }
    }
  };
  using block = std::unique_ptr<Record[], block_deleter>;

  static block new_block() {
    if constexpr (WARM) {
      void* memory = warm_blocks::shared().take();
      try {
        auto* records = static_cast<Record*>(memory);
        std::uninitialized_value_construct_n(records, BlockRecords);
        return block(records);
      } catch (...) {
        warm_blocks::give_back(memory);
        throw;
      }
    } else {
      return block(new Record[BlockRecords]());
    }
  }

  std::vector<block> blocks_;
  std::size_t count_ = 0;
};

}  // namespace nw

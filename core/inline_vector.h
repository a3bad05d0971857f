// A vector whose first N elements live inside it: a record that usually holds a few elements
// keeps them on its own cache lines and costs no allocation; more go to the heap.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <type_traits>

namespace nw {

template <typename T, std::size_t N>
class inline_vector {
  static_assert(std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T>);

 public:
  inline_vector() = default;
  inline_vector(const inline_vector&) = delete;
  inline_vector& operator=(const inline_vector&) = delete;

  [[nodiscard]] T* data() { return heap_ ? heap_.get() : in_place_.data(); }
  [[nodiscard]] const T* data() const { return heap_ ? heap_.get() : in_place_.data(); }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] T& operator[](std::size_t i) { return data()[i]; }
  [[nodiscard]] const T& operator[](std::size_t i) const { return data()[i]; }
  [[nodiscard]] const T* begin() const { return data(); }
  [[nodiscard]] const T* end() const { return data() + size_; }
  [[nodiscard]] std::reverse_iterator<const T*> rbegin() const { return std::reverse_iterator<const T*>(end()); }
  [[nodiscard]] std::reverse_iterator<const T*> rend() const { return std::reverse_iterator<const T*>(begin()); }

  // May move every element: callers keep places, not addresses, across it.
  void push_back(const T& value) {
    if (size_ == capacity_) grow();
    data()[size_++] = value;
  }

 private:
  void grow() {
    auto bigger = std::make_unique<T[]>(std::size_t{capacity_} * 2);
    std::copy(begin(), end(), bigger.get());
    heap_ = std::move(bigger);
    capacity_ *= 2;
  }

  std::unique_ptr<T[]> heap_;  // null while the elements fit in place
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = N;
  std::array<T, N> in_place_{};
};

}  // namespace nw

// The records an ageing pass must visit, as a bitmap by record number: waking one is a bit set,
// and a pass visits the awake ones in number order, which is creation order, so records made
// one after the other and their averages' rows are read front to back instead of in the
// order they happened to wake.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nw {

class awake_set {
 public:
  // Room for the numbers below count; the only call that allocates.
  void reserve_numbers(std::uint32_t count) {
    const std::size_t words = (std::size_t{count} + WORD_BITS - 1) / WORD_BITS;
    if (words > words_.size()) words_.resize(words, 0);
  }
  void wake(std::uint32_t number) { words_[number / WORD_BITS] |= bit(number); }
  void sleep(std::uint32_t number) { words_[number / WORD_BITS] &= ~bit(number); }
  // Every number below count.
  void wake_all(std::uint32_t count) {
    for (std::uint32_t w = 0; w < count / WORD_BITS; ++w) words_[w] = ~std::uint64_t{0};
    if (count % WORD_BITS != 0) words_[count / WORD_BITS] |= bit(count) - 1;
  }
  [[nodiscard]] bool contains(std::uint32_t number) const {
    return number / WORD_BITS < words_.size() && (words_[number / WORD_BITS] & bit(number)) != 0;
  }
  [[nodiscard]] std::size_t size() const {
    std::size_t n = 0;
    for (const std::uint64_t w : words_) n += static_cast<std::size_t>(std::popcount(w));
    return n;
  }
  // fn(number) for every awake number, ascending; a number for which it returns false sleeps.
  // Awake records lie scattered among sleeping ones, so loads start ahead of the visits:
  // far(number) runs Far awake numbers before fn(number) (for what names the record), near(number)
  // Near numbers before it (for the record itself), and the loads overlap the visits in between.
  template <std::size_t Far, std::size_t Near, typename FarFn, typename NearFn, typename Fn>
  void visit(FarFn&& far, NearFn&& near, Fn&& fn) {
    static_assert(Near < Far);
    std::array<std::uint32_t, Far> queued{};  // the last Far numbers found, by their count
    std::size_t seen = 0;
    const auto run = [&](std::uint32_t number) {
      if (!fn(number)) sleep(number);
    };
    for (std::size_t w = 0; w < words_.size(); ++w) {
      for (std::uint64_t pending = words_[w]; pending != 0; pending &= pending - 1) {
        const auto number = static_cast<std::uint32_t>(w * WORD_BITS) + static_cast<std::uint32_t>(std::countr_zero(pending));
        if (seen >= Near) near(queued[(seen - Near) % Far]);
        if (seen >= Far) run(queued[seen % Far]);  // the number found Far places back
        far(number);
        queued[seen++ % Far] = number;
      }
    }
    for (std::size_t k = seen > Far ? seen - Far : 0; k < seen; ++k) run(queued[k % Far]);
  }

 private:
  static constexpr std::uint32_t WORD_BITS = 64;
  static std::uint64_t bit(std::uint32_t number) { return std::uint64_t{1} << (number % WORD_BITS); }
  std::vector<std::uint64_t> words_;
};

}  // namespace nw

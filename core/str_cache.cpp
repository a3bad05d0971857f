// Cache of string-table texts in a hash table keyed by the number itself.
#include "core/str_cache.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "core/hashtable.h"
#include "core/str_table.h"

namespace nw {
namespace {

std::uint32_t number_hash(const std::uint32_t& number) { return number; }
int number_compare(const std::uint32_t& stored, const std::uint32_t& number) {
  return stored == number ? 0 : 1;
}
constexpr ht_functions<std::uint32_t> number_functions{number_hash, number_compare};

// Guards `cache`: texts are asked for from the window, capture and worker threads alike.
std::mutex cache_mutex;
hash_table<std::uint32_t, std::string> cache(number_functions);

const char* load(std::uint32_t number) {
  auto table = str_table();
  auto it = std::lower_bound(table.begin(), table.end(), number,
                             [](const str_entry& e, std::uint32_t n) { return e.number < n; });
  if (it == table.end() || it->number != number) return nullptr;
  return it->text;
}

}  // namespace

const char* str_get(std::uint32_t number) {
  if (number == 0) return nullptr;
  std::lock_guard lock(cache_mutex);
  if (const std::string* kept = cache.find(number)) return kept->c_str();
  const char* text = load(number);
  if (text == nullptr) return nullptr;
  std::string copy(text);
  if (copy.size() > STR_MAX_LENGTH) copy.resize(STR_MAX_LENGTH);
  return cache.push_front(number, std::move(copy)).c_str();
}

const char* str_text(std::uint32_t number) {
  const char* text = str_get(number);
  return text != nullptr ? text : "";
}

void str_cache_reset() {
  std::lock_guard lock(cache_mutex);
  std::vector<std::uint32_t> numbers;
  cache.foreach ([&](const std::uint32_t& n, const std::string&) { numbers.push_back(n); });
  for (auto n : numbers) ht_remove(cache, n);
}

}  // namespace nw

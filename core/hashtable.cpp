// The default text hash and comparison of hash_table.
#include "core/hashtable.h"

namespace nw {

std::uint32_t ht_text_hash(const std::string& text) {
  std::uint32_t h = 0;
  for (char c : text) {
    // The character is sign-extended, as a signed char promotes to int.
    h = (h << 2) ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  }
  return h;
}

int ht_text_compare(const std::string& stored_key, const std::string& key) {
  return stored_key.compare(key);
}

}  // namespace nw

// The symbol table, a hash table keyed by name.
#include "pdl/symbol.h"

#include <memory>

#include "core/hashtable.h"

namespace nw {
namespace {

constexpr ht_functions<std::string> symbol_functions{symbol_hash, ht_text_compare};

// Written by the protocol-file reader at start-up; read-only afterwards.
std::unique_ptr<hash_table<std::string, symbol>> table =
    std::make_unique<hash_table<std::string, symbol>>(symbol_functions);

}  // namespace

std::uint32_t symbol_hash(const std::string& name) {
  std::uint32_t h = 0;
  for (char c : name) {
    h = (h ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c))))
        << 1;
  }
  return h;
}

symbol* symbol_find(const std::string& name) { return table->find(name); }

symbol* symbol_enter(const std::string& name) {
  if (symbol* found = table->find(name)) return found;
  return &table->push_front(name, symbol{name, nullptr, SYMBOL_USED});
}

void symbol_reset() {
  table = std::make_unique<hash_table<std::string, symbol>>(symbol_functions);
}

}  // namespace nw

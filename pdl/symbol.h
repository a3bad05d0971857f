// The symbol table of the protocol file: every name seen, with its definition.
#pragma once

#include <cstdint>
#include <string>

#include "pdl/pd_model.h"

namespace nw {

enum symbol_kind : std::int32_t {
  SYMBOL_USED = 0,       // only used so far
  SYMBOL_PRIMITIVE = 1,  // given by a primitive line (and a catch-all when it is made)
  SYMBOL_CATCH_ALL = 2,  // the catch-all of a block
};

struct symbol {
  std::string name;
  protocol_def* def = nullptr;
  std::int32_t kind = SYMBOL_USED;
};

// h := (h XOR c) << 1 over the characters taken as signed octets.
[[nodiscard]] std::uint32_t symbol_hash(const std::string& name);

// The symbol of name, or nullptr. The alarm language looks protocol names up here.
[[nodiscard]] symbol* symbol_find(const std::string& name);

// The symbol of name, entered with kind SYMBOL_USED when first seen.
symbol* symbol_enter(const std::string& name);

void symbol_reset();

}  // namespace nw

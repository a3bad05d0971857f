// Reading the protocol file into the symbol table and the protocol tree.
#pragma once

#include <string>

#include "pdl/pd_model.h"

namespace nw {

// Reads the file at path and returns the tree root (the node of the first block), or nullptr.
// Failures are shown through the message hook. Replaces any model read before: nothing of an
// earlier load may be used after the call.
protocol_node* pdl_load(const std::string& path);

// The same over text already in memory.
protocol_node* pdl_load_text(std::string_view text);

// The root of the last load, or nullptr.
[[nodiscard]] protocol_node* pdl_root();

}  // namespace nw

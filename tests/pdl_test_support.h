// Helpers shared by the protocol-file tests: loading text with messages captured.
#pragma once

#include <string>
#include <vector>

#include "core/message.h"
#include "pdl/pdl.h"

namespace nw::test {

// Loads a protocol file from text and keeps the messages the reader showed.
struct loaded_pdl {
  protocol_node* root = nullptr;
  std::vector<message> messages;
};

inline loaded_pdl load_pdl(std::string_view text) {
  loaded_pdl result;
  message_set_hook([&](const message& m) { result.messages.push_back(m); });
  result.root = pdl_load_text(text);
  message_set_hook(nullptr);
  return result;
}

// The names of a sibling list in order.
inline std::vector<std::string> names_of(const protocol_node* list) {
  std::vector<std::string> names;
  for (; list != nullptr; list = list->next) names.push_back(list->def->name);
  return names;
}

}  // namespace nw::test

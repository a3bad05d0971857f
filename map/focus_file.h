// The named protocol focuses and the colour and focus file that keeps them with the protocol
// colours between runs.
//
// File, little-endian: the colour block (map/palette.h), then until the end of the file one
// record per focus: its name and a line feed, a 32-bit entry count, and per entry the
// protocol's path from the tree's root (names joined by "\") and a line feed, then the 32-bit
// colour index. Paths written innermost first by older files are read as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "map/palette.h"
#include "model/linkstat.h"

namespace nw {

struct protocol_node;

struct named_focus {
  std::string name;
  protocol_focus focus;
  // Per entry, the path read for an entry whose protocol the tree lacks (written back as it
  // was read, so that a focus survives a run with another protocol file); "" for the others.
  std::vector<std::string> unresolved;
};

struct focus_set {
  palette_table colors = palette_defaults();
  std::vector<std::shared_ptr<const named_focus>> foci;  // in file order
  // The focus links are coloured by; held here so that it outlives its place in the list.
  std::shared_ptr<const named_focus> current;
};

// Reads the file into set: the colours (given to the drawing library) and the focus list,
// which replaces the old one. 1 when the file was read whole; 0 when it could not be opened
// (message 50040, an empty list); -1 when it was damaged: a message says how, and what was
// read before the damage is kept. A rejected colour block leaves the default colours, and the
// focus records are read from just past its count.
int focus_load(const std::string& path, protocol_node* root, focus_set& set);

// Writes the colours and every focus. The file is replaced only once the new one is written
// whole. 1 when done; 0 after message 50342.
int focus_save(const std::string& path, const protocol_node* root, const focus_set& set);

// The last focus of the list named exactly name, or nullptr.
[[nodiscard]] std::shared_ptr<const named_focus> focus_find(const focus_set& set, std::string_view name);

// Makes the focus found by name the current one, for the links too; without a match there is
// no current focus. 1 when found.
int focus_select(focus_set& set, std::string_view name);

}  // namespace nw

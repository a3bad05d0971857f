// Reading and writing the colour and focus file.
#include "map/focus_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/message.h"
#include "core/str_cache.h"
#include "pdl/pd.h"
#include "pdl/pd_model.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_COULD_NOT_OPEN = 50040;
constexpr std::uint32_t STR_MAKER_CAPTION = 50004;
constexpr std::uint32_t STR_CANNOT_OVERWRITE = 50342;
constexpr std::uint32_t STR_WARNING_CAPTION = 50010;
// The longest lines a reader takes, line feed included; a longer one means a damaged file.
constexpr std::size_t NAME_LINE_MAX = 79;
constexpr std::size_t PATH_LINE_MAX = 799;
constexpr char SEPARATOR = '\\';

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

void report(std::string text, std::uint32_t caption) {
  message_show({std::move(text), str_text(caption), message_icon::exclamation});
}

void report_damage(const std::string& path, const char* what) {
  report(message_format("%s: %s; the focuses before it are kept", path.c_str(), what), STR_WARNING_CAPTION);
}

enum class got { value, end, damaged };

// One line without its line feed. `end` only when the file ends before the line's first byte.
got read_line(std::FILE* file, std::size_t max, std::string& line) {
  line.clear();
  for (;;) {
    const int c = std::fgetc(file);
    if (c == EOF) return line.empty() ? got::end : got::damaged;
    if (c == '\n') return got::value;
    if (line.size() + 1 >= max) return got::damaged;
    line.push_back(static_cast<char>(c));
  }
}

bool write_line(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fputc('\n', file) != EOF;
}

std::vector<std::string_view> split(std::string_view path) {
  std::vector<std::string_view> names;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find(SEPARATOR, start);
    names.push_back(path.substr(start, end - start));
    if (end == std::string_view::npos) return names;
    start = end + 1;
  }
}

std::string flipped(std::string_view path) {
  const std::vector<std::string_view> names = split(path);
  std::string text;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!text.empty()) text += SEPARATOR;
    text += *it;
  }
  return text;
}

// The node reached from the top level by exactly these names, each a child of the one before.
protocol_node* walk(protocol_node* root, std::string_view path) {
  protocol_node* level = root;
  protocol_node* found = nullptr;
  for (const std::string_view name : split(path)) {
    found = nullptr;
    for (protocol_node* n = level; n != nullptr && found == nullptr; n = n->next)
      if (n->def->name == name) found = n;
    if (found == nullptr) return nullptr;
    level = found->child;
  }
  return found;
}

// A whole path names one node in either order; a shorter text (a lone protocol name) is looked
// up as the tree's own path search finds it.
protocol_node* resolve(protocol_node* root, std::string_view path) {
  if (root == nullptr || path.empty()) return nullptr;
  if (protocol_node* n = walk(root, path)) return n;
  if (protocol_node* n = walk(root, flipped(path))) return n;
  return pd_find_path(root, path);
}

std::string path_text(const protocol_node* root, const protocol_node* proto) {
  std::string inner;
  if (root != nullptr && pd_path_name(root, proto, &inner) == 1) return flipped(inner);
  return proto->def->name;
}

// One record; `end` at a clean end of the file. A damaged record keeps its whole entries.
got read_focus(std::FILE* file, protocol_node* root, named_focus& focus, const char*& damage) {
  const got status = read_line(file, NAME_LINE_MAX, focus.name);
  if (status != got::value) {
    focus.name.clear();
    damage = "a focus name is cut short or too long";
    return status;
  }
  std::uint32_t count = 0;
  if (!palette_read_word(file, count)) {
    damage = "a focus record ends before its entry count";
    return got::damaged;
  }
  // The count is only trusted as far as the file backs it: entries are read one at a time.
  std::string path;
  for (std::uint32_t k = 0; k < count; ++k) {
    std::uint32_t color = 0;
    if (read_line(file, PATH_LINE_MAX, path) != got::value || !palette_read_word(file, color)) {
      damage = "a focus entry is cut short or its path is too long";
      return got::damaged;
    }
    if (color >= PALETTE_COLORS) {
      damage = "a focus entry has a colour index past 32";
      return got::damaged;
    }
    protocol_node* proto = resolve(root, path);
    focus.focus.entries.push_back({proto, static_cast<std::int32_t>(color)});
    focus.unresolved.push_back(proto == nullptr ? path : std::string());
  }
  return got::value;
}

bool write_focus(std::FILE* file, const protocol_node* root, const named_focus& focus) {
  const std::vector<focus_entry>& entries = focus.focus.entries;
  if (!write_line(file, focus.name) || !palette_write_word(file, static_cast<std::uint32_t>(entries.size())))
    return false;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const std::string text = entries[k].proto != nullptr    ? path_text(root, entries[k].proto)
                             : k < focus.unresolved.size() ? focus.unresolved[k]
                                                           : std::string();
    if (!write_line(file, text) || !palette_write_word(file, static_cast<std::uint32_t>(entries[k].color)))
      return false;
  }
  return true;
}

}  // namespace

int focus_load(const std::string& path, protocol_node* root, focus_set& set) {
  set.foci.clear();
  const file_handle file{std::fopen(path.c_str(), "rb")};
  if (!file) {
    report(message_format(str_text(STR_COULD_NOT_OPEN), path.c_str()), STR_MAKER_CAPTION);
    return 0;
  }
  // A rejected colour block leaves the file just past its count, where the focus records are
  // read from; a block that ends early has left nothing after it.
  const bool colors_read = palette_read(file.get(), set.colors) == 1;
  for (;;) {
    auto focus = std::make_shared<named_focus>();
    const char* damage = nullptr;
    const got status = read_focus(file.get(), root, *focus, damage);
    if (status == got::end) return colors_read ? 1 : -1;
    if (status == got::damaged) {
      if (!focus->name.empty()) set.foci.push_back(std::move(focus));
      report_damage(path, damage);
      return -1;
    }
    set.foci.push_back(std::move(focus));
  }
}

int focus_save(const std::string& path, const protocol_node* root, const focus_set& set) {
  const std::string partial = path + ".new";
  bool written = false;
  if (file_handle file{std::fopen(partial.c_str(), "wb")}) {
    written = palette_write(file.get(), set.colors) == 1;
    for (const auto& focus : set.foci) written = written && write_focus(file.get(), root, *focus);
    written = std::fclose(file.release()) == 0 && written;
  }
  std::error_code error;
  if (written) std::filesystem::rename(partial, path, error);
  if (!written || error) {
    std::filesystem::remove(partial, error);
    report(message_format(str_text(STR_CANNOT_OVERWRITE), path.c_str()), STR_WARNING_CAPTION);
    return 0;
  }
  return 1;
}

std::shared_ptr<const named_focus> focus_find(const focus_set& set, std::string_view name) {
  for (auto it = set.foci.rbegin(); it != set.foci.rend(); ++it)
    if ((*it)->name == name) return *it;
  return nullptr;
}

int focus_select(focus_set& set, std::string_view name) {
  std::shared_ptr<const named_focus> found = focus_find(set, name);
  link_set_focus(found != nullptr ? &found->focus : nullptr);
  set.current = std::move(found);
  return set.current != nullptr ? 1 : 0;
}

}  // namespace nw

// The settings table and its reading and writing. Window thread only, except `resolve`.
#include "program/settings.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <variant>
#include <vector>

#include "capture/trmac.h"
#include "map/map_settings.h"
#include "model/model_config.h"
#include "output/output_settings.h"

namespace nw {
namespace {

// A path, a name or a format, stored as text.
struct text_row {
  const char* name;
  const char* fallback;
  std::string& (*value)();
  bool saved;
};

// A scale or a time-out, stored as "%f" text; a time-out is truncated to whole seconds.
struct number_row {
  const char* name;
  double fallback;
  double (*get)();
  void (*set)(double);
  bool whole;
  bool saved;
};

struct dword_row {
  const char* name;
  std::uint32_t fallback;
  std::uint32_t (*get)();
  void (*set)(std::uint32_t);
};

// A list window's layout, kept here as words.
struct layout_row {
  std::size_t block;  // index into layout_defaults
};

// A block whose module reads and writes it itself, creating it when missing.
struct owned_row {
  const char* name;
  void (*load)(settings_store&);
  void (*save)(settings_store&);
};

using setting_row = std::variant<text_row, number_row, dword_row, layout_row, owned_row>;

struct layout_default {
  const char* name;
  std::vector<std::int32_t> words;
};

std::vector<std::int32_t> repeated(std::size_t count, std::int32_t value, std::vector<std::int32_t> tail = {}) {
  std::vector<std::int32_t> words(count, value);
  words.insert(words.end(), tail.begin(), tail.end());
  return words;
}

const std::vector<layout_default>& layout_defaults() {
  static const std::vector<layout_default> table = {
      {"cb_edit popup", repeated(5, 150, {400, 200, 0})},
      {"wnode popup", repeated(7, 150, {400, 200, 0, 0, 1, 2, 3, 4, 5, 6})},
      {"wnoded popup", repeated(7, 150, {400, 200, 0, 0, 1, 2, 3, 4, 5, 6})},
      {"wnet popup", repeated(12, 150, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 400, 200, 0})},
      {"host popup", {150, 150, 400, 200}},
      {"recv popup", {150, 150, 400, 200}},
      {"link popup", {150, 150, 150, 400, 200}},
      {"proto popup", {150, 150, 150, 400, 200}},
      {"alarm popup", {150, 150, 400, 400}},
  };
  return table;
}

struct settings_state {
  program_settings values;
  std::vector<std::vector<std::int32_t>> blocks;
};

settings_state& state() {
  static settings_state s;
  return s;
}

std::string& multi_path() { return settings().multi; }
std::string& manufacturers_path() { return settings().manufacturers; }
std::string& cfdump_path() { return settings().cfdump; }
std::string& alarms_path() { return settings().alarms; }
std::string& protocols_path() { return settings().protocols; }
std::string& help_folder() { return settings().dbpath; }
std::string& date_format() { return settings().strftime; }
std::string& focus_name() { return settings().focus; }

// The order of reading, and (for the rows that are saved) of writing: texts, numbers, DWORDs,
// the layout blocks, and "interface" last.
std::span<const setting_row> table() {
  static const setting_row rows[] = {
      text_row{"multi", "./multi", multi_path, true},
      text_row{"manufacturers", "./manf", manufacturers_path, true},
      text_row{"cfdump", "./cfdump.bin", cfdump_path, true},
      text_row{"alarms", "./alarm.adl", alarms_path, true},
      text_row{"protocols", "./protocol.pdl", protocols_path, true},
      text_row{"dbpath", "./", help_folder, false},
      text_row{"strftime", "%d-%m-%Y_%H:%M:%S", date_format, false},
      text_row{"focus", "Ethernet", focus_name, true},
      number_row{"font size", 0.5, [] { return static_cast<double>(model_settings().font_size); },
                 [](double v) { model_settings().font_size = static_cast<float>(v); }, false, true},
      number_row{"link scale", 0.6, [] { return map_config().link_scale; }, [](double v) { map_config().link_scale = v; },
                 false, true},
      number_row{"node scale", 0.2, [] { return map_config().node_scale; }, [](double v) { map_config().node_scale = v; },
                 false, true},
      number_row{"max node radius", 0.5, [] { return map_config().max_node_radius; },
                 [](double v) { map_config().max_node_radius = v; }, false, true},
      number_row{"node timeout", 10.0, [] { return static_cast<double>(model_settings().node_timeout_s); },
                 [](double v) { model_settings().node_timeout_s = static_cast<std::uint32_t>(v); }, true, true},
      number_row{"link timeout", 5.0, [] { return static_cast<double>(model_settings().link_timeout_s); },
                 [](double v) { model_settings().link_timeout_s = static_cast<std::uint32_t>(v); }, true, true},
      number_row{"net size", 55.0, [] { return settings().net_size; }, [](double v) { settings().net_size = v; }, false,
                 false},
      dword_row{"max link width", 100, [] { return map_config().max_link_width; },
                [](std::uint32_t v) { map_config().max_link_width = v; }},
      dword_row{"dynamic", 1, [] { return map_config().dynamic; }, [](std::uint32_t v) { map_config().dynamic = v; }},
      dword_row{"bytes", 1, [] { return map_config().bytes; }, [](std::uint32_t v) { map_config().bytes = v; }},
      dword_row{"show name", MAP_LABEL_BEST, [] { return map_config().show_name; },
                [](std::uint32_t v) { map_config().show_name = v; }},
      dword_row{"show manufacturers", 0, [] { return map_config().show_manufacturers; },
                [](std::uint32_t v) { map_config().show_manufacturers = v; }},
      dword_row{"resolve", 0, [] { return settings().resolve.load(); }, [](std::uint32_t v) { settings().resolve = v; }},
      dword_row{"snaplen", 250, [] { return settings().snaplen; }, [](std::uint32_t v) { settings().snaplen = v; }},
      layout_row{0},
      owned_row{"trmac defaults", trmac_load_defaults, trmac_save_defaults},
      layout_row{1},
      layout_row{2},
      layout_row{3},
      owned_row{"output tab", output_load_settings, output_save_settings},
      layout_row{4},
      layout_row{5},
      layout_row{6},
      layout_row{7},
      layout_row{8},
      dword_row{"interface", 0, [] { return settings().interface; }, [](std::uint32_t v) { settings().interface = v; }},
  };
  return rows;
}

// A time-out is whole seconds in 32 bits; a stored one outside that is no time-out.
std::optional<double> whole_seconds(double value) {
  const double seconds = std::trunc(value);
  if (seconds < 0.0 || seconds > static_cast<double>(std::numeric_limits<std::uint32_t>::max())) return std::nullopt;
  return seconds;
}

struct reader {
  settings_store& store;

  void operator()(const text_row& row) const {
    if (auto v = store.read_text(row.name)) {
      row.value() = *v;
      return;
    }
    row.value() = row.fallback;
    store.write_text(row.name, row.fallback);
  }

  void operator()(const number_row& row) const {
    std::optional<double> v;
    if (auto text = store.read_text(row.name)) v = settings_parse_number(*text);
    if (v && row.whole) v = whole_seconds(*v);
    if (v) {
      row.set(*v);
      return;
    }
    row.set(row.fallback);
    store.write_text(row.name, settings_format_number(row.fallback));
  }

  void operator()(const dword_row& row) const {
    if (auto v = store.read_dword(row.name)) {
      row.set(*v);
      return;
    }
    row.set(row.fallback);
    store.write_dword(row.name, row.fallback);
  }

  void operator()(const layout_row& row) const {
    const layout_default& d = layout_defaults()[row.block];
    std::vector<std::int32_t>& words = state().blocks[row.block];
    std::optional<std::vector<std::uint32_t>> stored;
    if (auto block = store.read_binary(d.name)) stored = settings_unpack_words(*block, d.words.size());
    if (!stored) {
      words = d.words;
      store.write_binary(d.name, settings_pack_words(std::vector<std::uint32_t>(words.begin(), words.end())));
      return;
    }
    words.assign(stored->begin(), stored->end());
  }

  void operator()(const owned_row& row) const { row.load(store); }
};

struct writer {
  settings_store& store;

  void operator()(const text_row& row) const {
    if (row.saved) store.write_text(row.name, row.value());
  }
  void operator()(const number_row& row) const {
    if (row.saved) store.write_text(row.name, settings_format_number(row.get()));
  }
  void operator()(const dword_row& row) const { store.write_dword(row.name, row.get()); }
  void operator()(const layout_row& row) const {
    const std::vector<std::int32_t>& words = state().blocks[row.block];
    store.write_binary(layout_defaults()[row.block].name,
                       settings_pack_words(std::vector<std::uint32_t>(words.begin(), words.end())));
  }
  void operator()(const owned_row& row) const { row.save(store); }
};

}  // namespace

program_settings& settings() { return state().values; }

void settings_reset() {
  program_settings& v = settings();
  for (std::string* text : {&v.multi, &v.manufacturers, &v.cfdump, &v.alarms, &v.protocols, &v.dbpath, &v.strftime,
                            &v.focus})
    text->clear();
  v.net_size = 0.0;
  v.snaplen = 0;
  v.interface = 0;
  v.resolve = 0;
  state().blocks.clear();
  for (const layout_default& d : layout_defaults()) state().blocks.push_back(d.words);
}

void read_settings(settings_store& store) {
  if (state().blocks.empty()) settings_reset();
  for (const setting_row& row : table()) std::visit(reader{store}, row);
}

void save_settings(settings_store& store) {
  if (state().blocks.empty()) settings_reset();
  for (const setting_row& row : table()) std::visit(writer{store}, row);
}

std::span<std::int32_t> settings_block(std::string_view name) {
  if (state().blocks.empty()) settings_reset();
  const auto& defaults = layout_defaults();
  for (std::size_t i = 0; i < defaults.size(); ++i)
    if (name == defaults[i].name) return state().blocks[i];
  return {};
}

std::string settings_format_number(double value) {
  // Room for the largest double in fixed notation with six decimals.
  char text[std::numeric_limits<double>::max_exponent10 + 32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
  return ec == std::errc{} ? std::string(text, end) : std::string("0.000000");
}

std::optional<double> settings_parse_number(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (text.starts_with('+')) text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc{} || end == text.data() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace nw

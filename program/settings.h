// The settings table: every stored value with its form and default, read once at start-up
// (a missing value is created with its default) and written back once at shutdown.
//
// The values live where they are used: the map's and the model's settings (map/map_settings.h,
// model/model_config.h), the Token Ring event switches and the output window's columns (whose
// modules read and write their own blocks), and program_settings below for the rest. The
// window thread changes them in place between start-up and shutdown.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/settings_store.h"

namespace nw {

struct program_settings {
  std::string multi;
  std::string manufacturers;
  std::string cfdump;
  std::string alarms;
  std::string protocols;
  std::string dbpath;    // the folder prefix of the help file
  std::string strftime;  // kept for the file's sake: nothing formats with it
  std::string focus;
  double net_size = 0.0;  // kept for the file's sake: nothing reads it
  std::uint32_t snaplen = 0;
  std::uint32_t interface = 0;
  // Read by the resolver and name threads before each look-up.
  std::atomic<std::uint32_t> resolve{0};
};

[[nodiscard]] program_settings& settings();

// Every value back to zero or empty, as before read_settings, and every layout block to its
// default (tests start clean).
void settings_reset();

// Reads every value in the table's order; a value that is missing, or stored in another form
// or unreadable as a number, takes its default, which is written to the store at once.
void read_settings(settings_store& store);

// Writes back every value that is saved, in the table's order; "dbpath", "strftime" and
// "net size" are read only.
void save_settings(settings_store& store);

// The layout block of a list window ("host popup", "wnet popup", ...) as signed 32-bit words,
// owned here and changed in place by its window; an empty span for a name that is none.
[[nodiscard]] std::span<std::int32_t> settings_block(std::string_view name);

// A scale or time-out as stored: "%f" (six decimals) whatever the locale.
[[nodiscard]] std::string settings_format_number(double value);
// The leading decimal number of a stored scale or time-out (blanks before it are skipped);
// nothing when there is none or it is not finite.
[[nodiscard]] std::optional<double> settings_parse_number(std::string_view text);

}  // namespace nw

// The main window's commands: the menu "NODEWREN95" with its labels exactly as the user sees
// them, the accelerator table "NWAccelerators", and what each command does to the settings.
// No Qt here: the main window builds its menus and shortcuts from these tables.
#pragma once

#include <cstdint>
#include <span>

namespace nw {

enum class command_kind {
  action,  // opens a window or dialog, or ends the program
  set,     // sets its setting to `value`; checked while the setting has it
  toggle,  // switches its setting between 0 and 1; checked at 1
  later,   // its window is not built yet: shown, never enabled
};

struct command_def {
  std::uint32_t id;
  int menu;  // index into command_menus()
  const char* label;
  command_kind kind;
  std::uint32_t& (*setting)();  // set and toggle only
  std::uint32_t value;          // set only
  bool separator_before;
};

// Command numbers the main window handles itself.
inline constexpr std::uint32_t CMD_ADAPTER = 202;
inline constexpr std::uint32_t CMD_PAGE_SETUP = 10025;
inline constexpr std::uint32_t CMD_PREFERENCES = 10023;
inline constexpr std::uint32_t CMD_EXIT = 100;
inline constexpr std::uint32_t CMD_ABOUT = 123;
inline constexpr std::uint32_t CMD_HELP = 186;

// The status-bar help of the first top-level menu; the others follow in menu order.
inline constexpr std::uint32_t STR_MENU_HELP_FIRST = 92;

struct accelerator_def {
  const char* keys;  // in QKeySequence's portable text form
  std::uint32_t id;
};

// The eight top-level menus, in menu order.
[[nodiscard]] std::span<const char* const> command_menus();
// Every command, in menu order.
[[nodiscard]] std::span<const command_def> commands();
[[nodiscard]] const command_def* command_find(std::uint32_t id);
[[nodiscard]] std::span<const accelerator_def> command_accelerators();

// Carries out a set or toggle command on its setting (under the model lock, as the map reads
// the settings while it draws). 1 when it was one, 0 otherwise.
int command_apply(const command_def& command);
// Whether a set or toggle command's check mark is on for the current settings.
[[nodiscard]] bool command_checked(const command_def& command);

}  // namespace nw

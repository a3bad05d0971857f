// The main window: the map at the left, the control column at the right, the status bar at
// the bottom; the menu "NODEWREN95" and the accelerators "NWAccelerators" carry every command.
// Most commands flip a setting and move a check mark; the rest open a window or a dialog.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>

class QAction;
class QLabel;
class QMenu;
class QShortcut;

namespace nw {

class control_column;
class netwindow;
struct adapter_desc;

inline constexpr const char* MAIN_READY_TEXT = "Ready";

class main_window : public QMainWindow {
 public:
  // start_time: the program's start (the statistics panel's run time). on_close runs the
  // shutdown when the window closes; empty: nothing more than closing.
  main_window(std::int64_t start_time, std::function<void(main_window&)> on_close);
  ~main_window() override;
  main_window(const main_window&) = delete;
  main_window& operator=(const main_window&) = delete;

  // Carries out command `id`, as its menu item or accelerator does; a number that is no
  // command, or one that is disabled, does nothing.
  void command(std::uint32_t id);
  // Every check mark from the current settings.
  void update_checks();

  [[nodiscard]] QAction* action(std::uint32_t id) const;
  [[nodiscard]] QMenu* menu(int index) const;
  [[nodiscard]] const std::map<std::uint32_t, QShortcut*>& accelerators() const { return accelerators_; }
  // The map window and the control column, until shutdown destroys them (nullptr after).
  [[nodiscard]] netwindow* map() const { return map_; }
  [[nodiscard]] control_column* column() const { return column_; }
  // What the status bar shows: the menu help while a menu is open, else "Ready".
  [[nodiscard]] QString status_text() const;

  // "Nodewren :    name (description)".
  void show_adapter(const adapter_desc& adapter);
  // After an adapter change: the control column follows the new network (message 12345).
  void follow_net();
  // Destroys the map window and the control column (shutdown).
  void destroy_children();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_menus();
  void build_accelerators();
  void run_action(std::uint32_t id);
  void switch_adapter();
  void open_preferences();
  void open_about();
  void open_help();

  std::function<void(main_window&)> on_close_;
  netwindow* map_ = nullptr;
  control_column* column_ = nullptr;
  QLabel* ready_ = nullptr;
  std::vector<QMenu*> menus_;
  std::map<std::uint32_t, QAction*> actions_;
  std::map<std::uint32_t, QShortcut*> accelerators_;
  bool closed_ = false;
};

}  // namespace nw

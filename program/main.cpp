// nodewren: the traffic monitor's program. Capture files named on the command line are offered
// as adapters after the live ones (replayed at the pace of their time stamps); the first of them
// stands in for a live adapter that cannot capture.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "alarm/alarm_check.h"
#include "capture/adapter_change.h"
#include "program/about_box.h"
#include "program/control_column.h"
#include "program/main_window.h"
#include "program/message_box.h"
#include "program/popup.h"
#include "program/settings_file.h"
#include "program/shutdown.h"
#include "program/startup.h"
#include "ui/netwindow.h"
#include "ui/stats_panel.h"

namespace {

// The settings file, or values kept in memory for this run when the file cannot be read.
std::unique_ptr<nw::settings_store> open_settings(nw::settings_file*& file) {
  auto settings = std::make_unique<nw::settings_file>(nw::settings_file_path());
  if (settings->readable()) {
    file = settings.get();
    return settings;
  }
  std::fprintf(stderr, "%s cannot be read: the defaults are used and nothing is saved\n",
               settings->path().toLocal8Bit().constData());
  return std::make_unique<nw::memory_settings>();
}

void place_on_work_area(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window.setGeometry(0, 0, area.right() + 1, area.bottom() + 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  nw::settings_file* file = nullptr;
  const std::unique_ptr<nw::settings_store> store = open_settings(file);

  nw::main_window* window = nullptr;
  nw::startup_options options;
  options.store = store.get();
  options.show = nw::message_box_hook;
  options.capture_files.assign(argv + 1, argv + argc);
  options.adapter_hooks.control_panel = [&window] {
    if (window != nullptr) window->follow_net();
  };
  options.adapter_hooks.set_title = [&window](const std::string& title) {
    if (window != nullptr) window->setWindowTitle(QString::fromStdString(title));
  };
  options.adapter_hooks.lists_replaced = [] { (void)nw::popup_broadcast(nw::POPUP_MSG_NET_REPLACED); };

  nw::program_state state;
  if (nw::startup_engine(options, state) != 1) {
    nw::shutdown_after_failure(state);
    return nw::STARTUP_EXIT_FAILURE;
  }

  nw::main_window main(state.start_time, [&state, &store](nw::main_window& w) {
    nw::shutdown_run(state, *store, [&w] { w.destroy_children(); });
  });
  window = &main;
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(nw::about_picture())));
  place_on_work_area(main);
  main.show_adapter(nw::adapter_change_adapters()[nw::adapter_change_current()]);
  nw::startup_threads(state, nw::pass_hooks{nw::stats_panel_poster(&main.column()->stats()),
                                            nw::alarm_pass_checks(), nw::netwindow_redrawer(main.map())});
  main.show();
  const int code = QApplication::exec();
  if (file != nullptr && file->sync() < 0)
    std::fprintf(stderr, "%s could not be written\n", file->path().toLocal8Bit().constData());
  return code;
}

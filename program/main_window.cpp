// The main window.
#include "program/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>

#include <algorithm>

#include "capture/adapter_change.h"
#include "core/str_cache.h"
#include "program/about_box.h"
#include "program/commands.h"
#include "program/control_column.h"
#include "program/help_window.h"
#include "program/popup.h"
#include "program/preferences_sheet.h"
#include "program/settings.h"
#include "ui/adapter_dialog.h"
#include "ui/netwindow.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCT = 50000;

QString text_of(const char* utf8) { return QString::fromUtf8(utf8); }

// The client area: the map takes what the column leaves.
class main_client : public QWidget {
 public:
  main_client(QWidget* parent, std::function<void(QSize)> placed) : QWidget(parent), placed_(std::move(placed)) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    placed_(size());
  }

 private:
  std::function<void(QSize)> placed_;
};

}  // namespace

main_window::main_window(std::int64_t start_time, std::function<void(main_window&)> on_close)
    : on_close_(std::move(on_close)) {
  setWindowTitle(text_of(str_text(STR_PRODUCT)));
  auto* client = new main_client(this, [this](QSize size) {
    const int map_width = std::max(size.width() - PANEL_WIDTH, 0);
    if (map_ != nullptr) map_->setGeometry(0, 0, map_width, size.height());
    if (column_ != nullptr) column_->setGeometry(map_width, 0, PANEL_WIDTH, size.height());
  });
  setCentralWidget(client);
  map_ = new netwindow(client);
  column_ = new control_column(client, start_time);
  ready_ = new QLabel(text_of(MAIN_READY_TEXT), statusBar());
  statusBar()->addWidget(ready_, 1);
  statusBar()->setSizeGripEnabled(true);
  build_menus();
  build_accelerators();
  update_checks();
}

main_window::~main_window() = default;

// The help of a command is the text with its own number; a menu's is 92 + its place.
void main_window::build_menus() {
  const auto titles = command_menus();
  for (std::size_t i = 0; i < titles.size(); ++i) {
    QMenu* m = menuBar()->addMenu(text_of(titles[i]));
    m->menuAction()->setStatusTip(text_of(str_text(STR_MENU_HELP_FIRST + static_cast<std::uint32_t>(i))));
    // Back to "Ready" when the menu closes, whatever was hovered last.
    connect(m, &QMenu::aboutToHide, statusBar(), &QStatusBar::clearMessage);
    menus_.push_back(m);
  }
  for (const command_def& c : commands()) {
    QMenu* m = menus_[static_cast<std::size_t>(c.menu)];
    if (c.separator_before) m->addSeparator();
    QAction* a = m->addAction(text_of(c.label));
    a->setStatusTip(text_of(str_text(c.id)));
    a->setCheckable(c.kind == command_kind::set || c.kind == command_kind::toggle);
    a->setEnabled(c.kind != command_kind::later);
    connect(a, &QAction::triggered, this, [this, id = c.id] { command(id); });
    actions_[c.id] = a;
  }
}

// The accelerators are a table of their own, not the menu items' shortcuts: the labels carry
// their own hints, which differ from the keys in places.
void main_window::build_accelerators() {
  for (const accelerator_def& a : command_accelerators()) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(a.keys)), this);
    connect(shortcut, &QShortcut::activated, this, [this, id = a.id] {
      QAction* item = action(id);
      if (item != nullptr && item->isEnabled()) item->trigger();
    });
    accelerators_[a.id] = shortcut;
  }
}

void main_window::command(std::uint32_t id) {
  const command_def* c = command_find(id);
  if (c == nullptr) return;
  switch (c->kind) {
    case command_kind::set:
    case command_kind::toggle:
      // The map takes the setting on its next redraw.
      (void)command_apply(*c);
      update_checks();
      break;
    case command_kind::action: run_action(id); break;
    case command_kind::later: break;
  }
}

void main_window::run_action(std::uint32_t id) {
  static const std::map<std::uint32_t, void (main_window::*)()> handlers = {
      {CMD_ADAPTER, &main_window::switch_adapter}, {CMD_PREFERENCES, &main_window::open_preferences},
      {CMD_ABOUT, &main_window::open_about},       {CMD_HELP, &main_window::open_help},
  };
  if (id == CMD_EXIT) {
    close();
    return;
  }
  const auto it = handlers.find(id);
  if (it != handlers.end()) (this->*(it->second))();
}

void main_window::update_checks() {
  for (const command_def& c : commands())
    if (QAction* a = action(c.id); a->isCheckable()) a->setChecked(command_checked(c));
}

void main_window::switch_adapter() {
  const std::size_t chosen = adapter_dialog(this, adapter_change_adapters(), adapter_change_current());
  (void)adapter_change(chosen);
}

void main_window::open_preferences() { preferences_run(this); }

void main_window::open_about() { about_box_run(this); }

void main_window::open_help() { (void)help_show(settings().dbpath); }

QAction* main_window::action(std::uint32_t id) const {
  const auto it = actions_.find(id);
  return it != actions_.end() ? it->second : nullptr;
}

QMenu* main_window::menu(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < menus_.size() ? menus_[static_cast<std::size_t>(index)]
                                                                        : nullptr;
}

QString main_window::status_text() const {
  const QString shown = statusBar()->currentMessage();
  return shown.isEmpty() ? ready_->text() : shown;
}

void main_window::show_adapter(const adapter_desc& adapter) {
  setWindowTitle(QString::fromStdString(adapter_change_title(adapter)));
}

void main_window::follow_net() {
  if (column_ == nullptr) return;
  QEvent message(static_cast<QEvent::Type>(PANEL_MSG_FOLLOW_NET));
  QCoreApplication::sendEvent(column_, &message);
}

void main_window::destroy_children() {
  delete map_;
  map_ = nullptr;
  delete column_;
  column_ = nullptr;
  popup_close_all();
  help_close();
}

void main_window::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    if (on_close_) on_close_(*this);
  }
  event->accept();
}

}  // namespace nw

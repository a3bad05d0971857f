// The main window on Qt's offscreen platform: its menus, labels, help texts and accelerators,
// the check marks that follow the settings, the disabled commands, the layout of map and
// control column and the column's scrolling, the preferences sheet, the list-window registry,
// help and the about box.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>
#include <memory>

#include "capture/trmac.h"
#include "capture_test_support.h"
#include "map/map_settings.h"
#include "model/model_config.h"
#include "model/net.h"
#include "netaddr_test_support.h"
#include "program/about_box.h"
#include "program/commands.h"
#include "program/control_column.h"
#include "program/help_window.h"
#include "program/main_window.h"
#include "program/popup.h"
#include "program/preferences_sheet.h"
#include "program/settings.h"
#include "ui/load_strip.h"
#include "ui/netwindow.h"
#include "ui/strip.h"

namespace nw::test {
namespace {

namespace fs = std::filesystem;

// A list window that notes the messages it gets.
class recorder : public QWidget {
 public:
  std::vector<int> got;

 protected:
  bool event(QEvent* e) override {
    if (e->type() >= QEvent::User) {
      got.push_back(static_cast<int>(e->type()));
      return true;
    }
    return QWidget::event(e);
  }
};

class MainWindow : public with_families {
 protected:
  void SetUp() override {
    with_families::SetUp();
    settings_reset();
    model_config_reset();
    map_config_reset();
    net_list_init();
    network = net_new(adapter_desc{"eth0", "test", NETTYPE_ETHERNET});
    net_set_current(network);
  }
  void TearDown() override {
    window.reset();
    help_close();
    net_list_init();
    settings_reset();
    map_config_reset();
    for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) trmac_set_flag(i, true);
  }

  main_window& make() {
    window = std::make_unique<main_window>(0, [this](main_window&) { ++closes; });
    return *window;
  }

  [[nodiscard]] bool checked(std::uint32_t id) const { return window->action(id)->isChecked(); }

  net* network = nullptr;
  std::unique_ptr<main_window> window;
  message_log log;
  int closes = 0;
};

std::vector<QString> labels_of(const QWidget& menu) {
  std::vector<QString> labels;
  for (const QAction* a : menu.actions())
    if (!a->isSeparator()) labels.push_back(a->text());
  return labels;
}

std::vector<QString> q(std::initializer_list<const char*> texts) {
  std::vector<QString> out;
  for (const char* t : texts) out.push_back(QString::fromUtf8(t));
  return out;
}

TEST_F(MainWindow, TheMenusCarryEveryLabelAsTheUserKnowsIt) {
  make();
  const auto top = window->menuBar()->actions();
  ASSERT_EQ(top.size(), 8);
  EXPECT_EQ(labels_of(*window->menuBar()), q({"&Файл", "&Выборочно", "&Трафик", "&Сеть", "&Статистика", "&В сумме",
                                              "&Доклад", "&Справка"}));
  const std::vector<std::vector<QString>> items = {
      q({"Выбор адаптера Ctrl+A", "&Параметры страницы...", "&Настройки...", "В&ыход  Ctrl+L"}),
      q({"Протоколl &Фокус...Ctrl+F", "Править Т&ревоги   Ctrl+L"}),
      q({"&Байты  Ctrl+B", "&Пакеты  Ctrl+P"}),
      q({"MAC &АдресCtrl+1", "I&P Адрес Ctrl+2", "&IP имя Ctrl+3", "Локальноеl &ИмяCtrl+4",
         "&Лучшее определение Ctrl+5", "Показать &Производителя  Ctrl+M", "&Список Хостов  Ctrl+H",
         "Редактор таблицы &ИменCtrl+N"}),
      q({"&Динамичный", "&Маскировочный  Ctrl_C"}),
      q({"Топ &Отправленного F7", "Топ &Принятого F7", "Топ &Ссылок  F8", "Топ &Тревоги F9",
         "&Список протоколов F10"}),
      q({"&Хост доклад   Ctrl+F1", "&Доклад статистики  Ctrl+F2", "&Протокол тревоги Ctrl+F3"}),
      q({"&О программе", "Справка &Cоветы  F1"}),
  };
  for (int m = 0; m < 8; ++m) EXPECT_EQ(labels_of(*window->menu(m)), items[static_cast<std::size_t>(m)]) << m;
  // The labels carry their own hints: no shortcut is added to them.
  EXPECT_TRUE(window->action(CMD_EXIT)->shortcut().isEmpty());
}

TEST_F(MainWindow, MenuHelpShowsInTheStatusBarAndReadyComesBack) {
  make();
  const char* menu_help[] = {"File menu", "Filter menu", "Traffic menu", "Host menu",
                             "Statistics menu", "Summary menu", "Reports menu", "Help menu"};
  for (int m = 0; m < 8; ++m) EXPECT_EQ(window->menu(m)->menuAction()->statusTip(), menu_help[m]);
  EXPECT_EQ(window->action(CMD_ADAPTER)->statusTip(), QString::fromUtf8("Выбор адаптера для наблюдения"));
  EXPECT_EQ(window->action(7119)->statusTip(), "Show hosts by IP address");
  EXPECT_TRUE(window->action(CMD_PAGE_SETUP)->statusTip().isEmpty());
  EXPECT_TRUE(window->action(CMD_HELP)->statusTip().isEmpty());

  EXPECT_EQ(window->status_text(), "Ready");
  window->action(112)->showStatusText(window.get());
  EXPECT_EQ(window->status_text(), QString::fromUtf8("Просмотр трафика в байтах"));
  emit window->menu(2)->aboutToHide();
  EXPECT_EQ(window->status_text(), "Ready");
}

TEST_F(MainWindow, TheAcceleratorsAreTheirOwnTable) {
  make();
  const auto& keys = window->accelerators();
  EXPECT_EQ(keys.size(), 25u);
  for (const auto& [id, shortcut] : keys) EXPECT_NE(window->action(id), nullptr) << id;
  // Where the labels say otherwise, the table holds.
  EXPECT_EQ(keys.at(CMD_EXIT)->key(), QKeySequence("Ctrl+X"));
  EXPECT_EQ(keys.at(11199)->key(), QKeySequence("Ctrl+L"));
  EXPECT_EQ(keys.at(170)->key(), QKeySequence(Qt::Key_F6));
  EXPECT_EQ(keys.at(171)->key(), QKeySequence(Qt::Key_F7));
  EXPECT_EQ(keys.at(122)->key(), QKeySequence("Ctrl+C"));
  EXPECT_EQ(keys.at(7119)->key(), QKeySequence("Ctrl+2"));
  EXPECT_EQ(keys.at(CMD_HELP)->key(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(keys.count(CMD_PREFERENCES), 0u);
  EXPECT_EQ(keys.count(CMD_ABOUT), 0u);
}

TEST_F(MainWindow, CheckMarksStartFromTheSettings) {
  map_config().show_name = MAP_LABEL_DNS;
  map_config().bytes = 0;
  map_config().dynamic = 0;
  map_config().show_manufacturers = 1;
  make();
  for (std::uint32_t id : {119u, 7119u, 118u, 7130u}) EXPECT_FALSE(checked(id)) << id;
  EXPECT_TRUE(checked(7129));
  EXPECT_TRUE(checked(111));
  EXPECT_FALSE(checked(112));
  EXPECT_TRUE(checked(122));
  EXPECT_FALSE(checked(121));
  EXPECT_TRUE(checked(120));
}

TEST_F(MainWindow, CommandsSetTheirSettingAndMoveTheCheckMarks) {
  make();
  EXPECT_TRUE(checked(7130));
  window->action(7119)->trigger();
  EXPECT_EQ(map_config().show_name, MAP_LABEL_IP);
  EXPECT_TRUE(checked(7119));
  EXPECT_FALSE(checked(7130));
  // Choosing the checked one again leaves it checked.
  window->action(7119)->trigger();
  EXPECT_TRUE(checked(7119));

  window->command(111);
  EXPECT_EQ(map_config().bytes, 0u);
  EXPECT_TRUE(checked(111));
  EXPECT_FALSE(checked(112));
  window->command(122);
  EXPECT_EQ(map_config().dynamic, 0u);
  EXPECT_TRUE(checked(122));
  EXPECT_FALSE(checked(121));
  window->command(120);
  EXPECT_EQ(map_config().show_manufacturers, 1u);
  EXPECT_TRUE(checked(120));
  window->command(120);
  EXPECT_EQ(map_config().show_manufacturers, 0u);
  EXPECT_FALSE(checked(120));
}

TEST_F(MainWindow, AnAcceleratorKeyCarriesItsCommandOut) {
  make().show();
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(map_config().show_name, MAP_LABEL_IP);
  EXPECT_TRUE(checked(7119));
  EXPECT_FALSE(checked(7130));
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(map_config().bytes, 0u);
  // A disabled command's key does nothing.
  QTest::keyClick(window.get(), Qt::Key_H, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindow, CommandsOfWindowsNotBuiltAreShownDisabled) {
  make();
  for (std::uint32_t id : {10025u, 103u, 11199u, 125u, 129u, 170u, 171u, 172u, 173u, 174u, 175u, 176u, 177u})
    EXPECT_FALSE(window->action(id)->isEnabled()) << id;
  for (std::uint32_t id : {202u, 10023u, 100u, 112u, 111u, 119u, 120u, 121u, 122u, 123u, 186u})
    EXPECT_TRUE(window->action(id)->isEnabled()) << id;
  const map_settings before = map_config();
  window->command(125);
  window->command(9999);
  EXPECT_EQ(map_config().show_name, before.show_name);
  EXPECT_EQ(closes, 0);
}

TEST_F(MainWindow, ClosingRunsTheShutdownOnce) {
  make().show();
  window->command(CMD_EXIT);
  window->close();
  EXPECT_EQ(closes, 1);
}

TEST_F(MainWindow, TheMapTakesWhatTheColumnLeaves) {
  make().resize(1000, 760);
  window->show();
  const QSize client = window->centralWidget()->size();
  EXPECT_EQ(window->map()->geometry(), QRect(0, 0, client.width() - 320, client.height()));
  EXPECT_EQ(window->column()->geometry(), QRect(client.width() - 320, 0, 320, client.height()));
  EXPECT_EQ(window->statusBar()->geometry().bottom(), window->height() - 1);
  window->destroy_children();
  EXPECT_EQ(window->map(), nullptr);
  EXPECT_EQ(window->column(), nullptr);
}

class ControlColumn : public MainWindow {
 protected:
  // A column whose client area is `height` pixels high.
  control_column& make_column(int height) {
    column = std::make_unique<control_column>(nullptr, 0);
    const int frame = column->frameWidth() * 2;
    column->resize(PANEL_WIDTH, height + frame);
    column->show();
    return *column;
  }
  void step(QAbstractSlider::SliderAction action) { column->scroll_bar().triggerAction(action); }

  std::unique_ptr<control_column> column;
};

TEST_F(ControlColumn, TheChildrenSitAtTheirPlaces) {
  make_column(700);
  EXPECT_EQ(column->child(panel_child::load).geometry(), QRect(0, 0, 300, 120));
  EXPECT_EQ(column->child(panel_child::controls).geometry(), QRect(0, 120, 145, 235));
  EXPECT_EQ(column->child(panel_child::protocol_key).geometry(), QRect(145, 120, 165, 305));
  EXPECT_EQ(column->child(panel_child::zoom_box).geometry(), QRect(0, 355, 145, 145));
  EXPECT_EQ(column->child(panel_child::stats).geometry(), QRect(145, 425, 165, 97));
  EXPECT_EQ(column->child(panel_child::output).geometry(), QRect(5, 505, 290, 165));
  // Tall enough for all of them: nothing to scroll.
  EXPECT_FALSE(column->scroll_bar().isEnabled());
  EXPECT_EQ(column->content_offset(), 0);
}

TEST_F(ControlColumn, AShortColumnScrollsInFourStepsOfItsShortfall) {
  make_column(445);
  EXPECT_TRUE(column->scroll_bar().isEnabled());
  EXPECT_EQ(column->scroll_state().step, 50);
  step(QAbstractSlider::SliderSingleStepAdd);
  step(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(column->content_offset(), 100);
  step(QAbstractSlider::SliderSingleStepAdd);
  step(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(column->scroll_state().position, 4);
  EXPECT_EQ(column->content_offset(), 200);
  step(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(column->scroll_state().position, 4);
  step(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(column->content_offset(), 150);
  // Growing keeps the position but needs no scrolling any more.
  column->resize(PANEL_WIDTH, 700);
  EXPECT_EQ(column->scroll_state().position, 3);
  EXPECT_EQ(column->content_offset(), 0);
  EXPECT_FALSE(column->scroll_bar().isEnabled());
  column->scroll_bar().setValue(0);
  EXPECT_EQ(column->scroll_state().position, 0);
}

TEST_F(ControlColumn, TheBorderHeightsOfTheScrollBar) {
  panel_scroll s;
  EXPECT_EQ(panel_scroll_resize(s, 645), 0);
  EXPECT_TRUE(panel_scroll_enabled(645));
  EXPECT_FALSE(panel_scroll_enabled(646));
  EXPECT_EQ(panel_scroll_by(s, -1), 0);
  EXPECT_EQ(panel_scroll_by(s, 9), 4);
  panel_scroll_resize(s, 641);  // a step of 1
  EXPECT_EQ(panel_scroll_offset(s), 4);
}

// After an adapter change the load strip plots the new network's load (message 12345).
TEST_F(ControlColumn, TheLoadStripFollowsTheCurrentNetwork) {
  make_column(700);
  network->load = 3;
  column->load().chart_window().sample_tick();
  EXPECT_EQ(column->load().chart_window().chart().label_text(), "Load: 3%");
  net* other = net_new(adapter_desc{"eth1", "test", NETTYPE_ETHERNET});
  other->load = 17;
  net_set_current(other);
  QEvent follow(static_cast<QEvent::Type>(PANEL_MSG_FOLLOW_NET));
  QCoreApplication::sendEvent(column.get(), &follow);
  column->load().chart_window().sample_tick();
  EXPECT_EQ(column->load().chart_window().chart().label_text(), "Load: 17%");
  // The strip only reads the value: it stays for the statistics panel and the reports.
  EXPECT_EQ(other->load, 17);
}

TEST_F(MainWindow, PreferencesShowTheColumnsShownAndSetWhatIsChecked) {
  const std::span<std::int32_t> wnet = settings_block("wnet popup");
  const std::int32_t order[] = {0, 2, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::copy(std::begin(order), std::end(order), wnet.begin() + 12);
  recorder list;
  popup_add(&list);
  preferences_sheet sheet(nullptr);
  EXPECT_EQ(sheet.windowTitle(), QString::fromUtf8("Настройки"));
  ASSERT_EQ(sheet.pages().count(), 3);
  EXPECT_EQ(sheet.pages().tabText(0), QString::fromUtf8("Просмотр следующего:"));
  EXPECT_EQ(sheet.pages().tabText(1), "Name resolution");
  EXPECT_EQ(sheet.pages().tabText(2), "Token Ring MAC Events");
  for (int id : {11500, 11505, 11510, 11515, 11520, 11525, 11530, 11535, 11540, 11545, 11550, 11555}) {
    const bool shown = id == 11500 || id == 11510 || id == 11520;
    EXPECT_EQ(sheet.box(id)->isChecked(), shown) << id;
  }
  for (int id = 11600; id <= 11630; id += 5) EXPECT_TRUE(sheet.box(id)->isChecked()) << id;
  EXPECT_FALSE(sheet.box(11700)->isChecked());
  EXPECT_EQ(sheet.box(11801)->text(), QString::fromUtf8(trmac_flag_text(0)));

  sheet.box(11520)->setChecked(false);  // column 5
  sheet.box(11525)->setChecked(true);   // column 4
  sheet.box(11555)->setChecked(true);   // column 10
  sheet.box(11605)->setChecked(false);  // node-watch column 1
  sheet.box(11700)->setChecked(true);
  sheet.box(11803)->setChecked(false);
  sheet.accept();
  const std::vector<std::int32_t> host_order(wnet.begin() + 12, wnet.begin() + 24);
  EXPECT_EQ(host_order, (std::vector<std::int32_t>{0, 2, 4, 10, -1, -1, -1, -1, -1, -1, -1, -1}));
  const std::span<std::int32_t> wnode = settings_block("wnode popup");
  EXPECT_EQ(std::vector<std::int32_t>(wnode.begin() + 10, wnode.end()), (std::vector<std::int32_t>{0, 2, 3, 4, 5, 6, -1}));
  EXPECT_EQ(settings().resolve.load(), 1u);
  EXPECT_FALSE(trmac_flag(2));
  EXPECT_TRUE(trmac_flag(1));
  EXPECT_EQ(list.got, std::vector<int>{POPUP_MSG_COLUMNS_CHANGED});
}

TEST_F(MainWindow, BroadcastsReachTheListWindowsStillOpen) {
  // Closing them all deletes them, as shutdown does.
  auto* kept = new recorder;
  auto* closed = new recorder;
  popup_add(kept);
  popup_add(closed);
  popup_add(kept);
  EXPECT_EQ(popup_count(), 2);
  delete closed;
  EXPECT_EQ(popup_broadcast(POPUP_MSG_NET_REPLACED), 1);
  EXPECT_EQ(popup_count(), 1);
  EXPECT_EQ(kept->got, std::vector<int>{POPUP_MSG_NET_REPLACED});
  const QPointer<recorder> watch(kept);
  popup_close_all();
  EXPECT_EQ(popup_count(), 0);
  EXPECT_TRUE(watch.isNull());
}

TEST_F(MainWindow, HelpShowsTheHelpFileOrSaysItCannot) {
  make();
  temp_dir dir;
  settings().dbpath = dir.path.string() + "/";
  window->command(CMD_HELP);
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_EQ(log.shown[0].text, "Unable to activate help");
  EXPECT_EQ(log.shown[0].caption, QString::fromUtf8("Внимание").toStdString());
  EXPECT_EQ(log.shown[0].icon, message_icon::stop);
  EXPECT_EQ(help_window(), nullptr);

  fs::copy_file(fs::path(NODEWREN_SOURCE_DIR) / "data" / HELP_FILE, dir.path / HELP_FILE);
  EXPECT_EQ(help_show(settings().dbpath), 1);
  ASSERT_NE(help_window(), nullptr);
  EXPECT_EQ(help_window()->windowTitle(), "Nodewren Help");
  EXPECT_TRUE(help_window()->toPlainText().contains("Ctrl+X"));
  EXPECT_EQ(log.shown.size(), 1u);
}

TEST_F(MainWindow, TheAboutBoxNamesTheProductAndVersion) {
  about_box box(nullptr);
  bool named = false;
  for (const QLabel* label : box.findChildren<QLabel*>()) named = named || label->text() == "Nodewren 1.6";
  EXPECT_TRUE(named);
  const QImage picture = about_picture();
  EXPECT_EQ(picture.size(), QSize(96, 96));
}

}  // namespace
}  // namespace nw::test

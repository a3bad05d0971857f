// The command and accelerator tables.
#include "program/commands.h"

#include <algorithm>

#include "map/map_settings.h"
#include "model/model_config.h"

namespace nw {
namespace {

std::uint32_t& bytes() { return map_config().bytes; }
std::uint32_t& show_name() { return map_config().show_name; }
std::uint32_t& show_manufacturers() { return map_config().show_manufacturers; }
std::uint32_t& dynamic() { return map_config().dynamic; }

constexpr int FILE_MENU = 0, FILTER_MENU = 1, TRAFFIC_MENU = 2, HOST_MENU = 3, STATISTICS_MENU = 4,
              SUMMARY_MENU = 5, REPORTS_MENU = 6, HELP_MENU = 7;

constexpr const char* menus[] = {"&Файл",       "&Выборочно", "&Трафик", "&Сеть",
                                 "&Статистика", "&В сумме",   "&Доклад", "&Справка"};

using k = command_kind;

// The labels' own accelerator hints differ from the accelerator table in places (Exit says
// Ctrl+L, the top senders F7): they are the menu's text as it always was.
const command_def table[] = {
    {CMD_ADAPTER, FILE_MENU, "Выбор адаптера Ctrl+A", k::action, nullptr, 0, false},
    {CMD_PAGE_SETUP, FILE_MENU, "&Параметры страницы...", k::later, nullptr, 0, false},
    {CMD_PREFERENCES, FILE_MENU, "&Настройки...", k::action, nullptr, 0, false},
    {CMD_EXIT, FILE_MENU, "В&ыход  Ctrl+L", k::action, nullptr, 0, true},
    {103, FILTER_MENU, "Протоколl &Фокус...Ctrl+F", k::later, nullptr, 0, false},
    {11199, FILTER_MENU, "Править Т&ревоги   Ctrl+L", k::later, nullptr, 0, false},
    {112, TRAFFIC_MENU, "&Байты  Ctrl+B", k::set, bytes, 1, false},
    {111, TRAFFIC_MENU, "&Пакеты  Ctrl+P", k::set, bytes, 0, false},
    {119, HOST_MENU, "MAC &АдресCtrl+1", k::set, show_name, MAP_LABEL_MAC, false},
    {7119, HOST_MENU, "I&P Адрес Ctrl+2", k::set, show_name, MAP_LABEL_IP, false},
    {7129, HOST_MENU, "&IP имя Ctrl+3", k::set, show_name, MAP_LABEL_DNS, false},
    {118, HOST_MENU, "Локальноеl &ИмяCtrl+4", k::set, show_name, MAP_LABEL_LOCAL, false},
    {7130, HOST_MENU, "&Лучшее определение Ctrl+5", k::set, show_name, MAP_LABEL_BEST, false},
    {120, HOST_MENU, "Показать &Производителя  Ctrl+M", k::toggle, show_manufacturers, 0, true},
    {125, HOST_MENU, "&Список Хостов  Ctrl+H", k::later, nullptr, 0, true},
    {129, HOST_MENU, "Редактор таблицы &ИменCtrl+N", k::later, nullptr, 0, false},
    {121, STATISTICS_MENU, "&Динамичный", k::set, dynamic, 1, false},
    {122, STATISTICS_MENU, "&Маскировочный  Ctrl_C", k::set, dynamic, 0, false},
    {170, SUMMARY_MENU, "Топ &Отправленного F7", k::later, nullptr, 0, false},
    {171, SUMMARY_MENU, "Топ &Принятого F7", k::later, nullptr, 0, false},
    {173, SUMMARY_MENU, "Топ &Ссылок  F8", k::later, nullptr, 0, false},
    {172, SUMMARY_MENU, "Топ &Тревоги F9", k::later, nullptr, 0, false},
    {174, SUMMARY_MENU, "&Список протоколов F10", k::later, nullptr, 0, false},
    {175, REPORTS_MENU, "&Хост доклад   Ctrl+F1", k::later, nullptr, 0, false},
    {177, REPORTS_MENU, "&Доклад статистики  Ctrl+F2", k::later, nullptr, 0, false},
    {176, REPORTS_MENU, "&Протокол тревоги Ctrl+F3", k::later, nullptr, 0, false},
    {CMD_ABOUT, HELP_MENU, "&О программе", k::action, nullptr, 0, false},
    {CMD_HELP, HELP_MENU, "Справка &Cоветы  F1", k::action, nullptr, 0, false},
};

constexpr accelerator_def accelerators[] = {
    {"Ctrl+A", CMD_ADAPTER}, {"Ctrl+X", CMD_EXIT}, {"Ctrl+F", 103},   {"Ctrl+L", 11199},
    {"Ctrl+B", 112},         {"Ctrl+P", 111},      {"Ctrl+1", 119},   {"Ctrl+2", 7119},
    {"Ctrl+3", 7129},        {"Ctrl+4", 118},      {"Ctrl+5", 7130},  {"Ctrl+M", 120},
    {"Ctrl+H", 125},         {"Ctrl+N", 129},      {"Ctrl+D", 121},   {"Ctrl+C", 122},
    {"F6", 170},             {"F7", 171},          {"F8", 173},       {"F9", 172},
    {"F10", 174},            {"Ctrl+F1", 175},     {"Ctrl+F2", 177},  {"Ctrl+F3", 176},
    {"F1", CMD_HELP},
};

}  // namespace

std::span<const char* const> command_menus() { return menus; }

std::span<const command_def> commands() { return table; }

const command_def* command_find(std::uint32_t id) {
  const auto it = std::find_if(std::begin(table), std::end(table), [id](const command_def& c) { return c.id == id; });
  return it != std::end(table) ? &*it : nullptr;
}

std::span<const accelerator_def> command_accelerators() { return accelerators; }

int command_apply(const command_def& command) {
  if (command.kind != command_kind::set && command.kind != command_kind::toggle) return 0;
  model_lock lock;
  std::uint32_t& setting = command.setting();
  setting = command.kind == command_kind::set ? command.value : (setting == 1 ? 0 : 1);
  return 1;
}

bool command_checked(const command_def& command) {
  if (command.kind != command_kind::set && command.kind != command_kind::toggle) return false;
  model_lock lock;
  return command.setting() == (command.kind == command_kind::set ? command.value : 1);
}

}  // namespace nw

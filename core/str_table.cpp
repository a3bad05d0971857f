// The program's numbered user-visible texts, looked up by number through str_get.
#include "core/str_table.h"

namespace nw {
namespace {

// Texts are UTF-8 and kept exactly as the user sees them (typos included): report layouts
// and window titles depend on their exact length and spacing.
constexpr str_entry entries[] = {
    // Status-bar help of the main menu's eight top-level menus, in menu order
    {92, "File menu"},
    {93, "Filter menu"},
    {94, "Traffic menu"},
    {95, "Host menu"},
    {96, "Statistics menu"},
    {97, "Summary menu"},
    {98, "Reports menu"},
    {99, "Help menu"},

    // Status-bar help of the main window's commands (same number as the command)
    {100, "Quit the application"},
    {103, "Modify the currently filtered protocols"},
    {111, "Просмотр трафика в пакетах"},
    {112, "Просмотр трафика в байтах"},
    {118, "Show hosts by name"},
    {119, "Show hosts by Ethernet address"},
    {120, "Toggle host manufacturer"},
    {121, "Dynamic updates"},
    {122, "Cumulative updates"},
    {123, "About Nodewren95"},
    {125, "Show a sumary of all hosts on the network"},
    {129, "Use the host name table editor"},
    {170, "Show the top 50 senders (by volume)"},
    {171, "Show the top 50 receivers (by volume)"},
    {172, "Show the top 50 alarms (by occurence)"},
    {173, "Show the top 50 links (by volume)"},
    {174, "Show a protocol breakdown (by volume)"},
    {175, "Produce host statistics report"},
    {176, "Produce alarms report"},
    {177, "Produce network statistics report"},
    {202, "Выбор адаптера для наблюдения"},
    {7119, "Show hosts by IP address"},
    {7129, "Show hosts by DNS name"},
    {7130, "Show host by best applicable name"},
    {10023, "Modify application preferences"},
    {11199, "Редактор тревоги"},

    // Product and maker names, message-box captions and start-up / help messages
    {50000, "Nodewren"},
    {50004, "Korvane Software, Inc."},
    {50008, "Ошибка"},
    {50010, "Внимание"},
    {50024, "Unable to activate help"},
    {50032, "This will delete ALL IP information from the database"},
    {50034, "This will delete ALL entries from the database"},
    {50036, "Error Opening name database, Attempting to revert to backup"},
    {50040, "Could not open %s for parsing"},
    {50042, "Couldn't find font data! (FONT.BIN)"},
    {50043, "The adapter (%s) failed to open.\nPlease check NETCLAMP driver."},
    {50045, "Cannot find any valid network adapters"},
    {50046, "Invalid PDL file.\nPlease obtain original protocol.pdl\nfile from distribution media."},
    {50048, "Invalid PDL media hook.\nPlease obtain original protocol.pdl\nfile from distribution media."},
    {50050, "The default adapter is currently invalid"},
    {50054, "The default adapter is using an unsupported network type"},
    {50056, "This adapter is currently invalid"},
    {50058, "This adapter is using an unsupported network type"},
    {50060, "No default printer selected."},
    {50062, "Unable to load Rich Edit Control"},
    {50064, "Abort dialog could not be created."},
    {50066, "An error occured while trying to print"},
    {50068, "Text not found."},

    // List windows: refresh suffix of the title and tool-bar tips
    {50132, " ** UPDATING **    "},
    {50134, " next update: %02d:%02d"},
    {50136, "Force update"},
    {50138, "Сохранить"},
    {50142, "Печать"},
    {50144, "Закрыть окно"},
    {50150, "Настройки"},

    // Adapter selection dialog
    {50182, "Адаптер"},
    {50184, "Содержание"},
    {50186, "Link Speed"},
    {50190, "4Mb"},
    {50192, "10Mb"},
    {50194, "16Mb"},
    {50196, "100Mb"},
    {50198, "Unknown"},

    // Top alarms window and alarm report
    {50242, "Top Alarms"},
    {50244, "Notify String"},
    {50246, "Событие"},
    {50248, "Доклад о тревогах"},
    {50250, "Alarm Type: Occurrence"},
    {50252, "Alarm Type: Threshold"},
    {50254, "Уведомление о тревоге: %s"},
    {50256, "Alarm was triggered %d times"},
    {50258, "Monitored Alarms Report"},

    // Name table editor and name database
    {50322, "Name table editor"},
    {50326, "Local Name"},
    {50328, "МАС адрес"},
    {50330, "Manufacturer"},
    {50332, "IP адрес"},
    {50334, "IP имя"},
    {50336, "Multicast"},

    // Focus file, focus builder and Controls panel
    {50342, "cannot overwrite %s"},
    {50344, "New Focus"},
    {50346, "Управление"},
    {50348, "Node Scale"},
    {50350, "Link Scale"},
    {50352, "Max Node Radius"},
    {50354, "Max Link Width"},
    {50356, "Node Timeout"},
    {50358, "Link Timeout"},
    {50360, "Font Scale"},

    // Statistics panel and load strip chart
    {50458, "Статистика"},
    {50460, "Runtime :"},
    {50462, "Avg Load :"},
    {50468, "Peak Load :"},
    {50470, "Packets/sec :"},
    {50472, "байт/сек:"},
    {50474, "Dropped :"},
    {50476, "Load: %d%%"},

    // Top senders window
    {50526, "Top Hosts (Senders)"},
    {50528, "Хост"},
    {50530, "Итого байт отправленно"},

    // Host report
    {50532, "Host Report"},
    {50534, "Monitored Host Statistics"},
    {50536, "Отправленный трафик:"},
    {50538, "Принятый трафик:"},
    {50540, "Destination                         Protocol           Packets      Bytes"},
    {50542, "Source                              Protocol           Packets      Bytes"},
    {50544, "Исходный"},
    {50546, "Местонахождение"},
    {50548, "Протокол"},
    {50550, "Packets"},
    {50552, "байты"},

    // Top links window and load strip caption
    {50562, "Top Links"},
    {50564, "Исходный"},
    {50566, "Местонахождение"},
    {50568, "байты"},
    {50570, "Network Load"},

    // List printing and saving
    {50572, "Text files {*.txt}"},
    {50574, "Page #%d"},
    {50576, "next update"},

    // Network event list
    {50586, "OPEN %s"},

    // Preferences sheet
    {50644, "Настройки"},

    // Protocol summary window and protocol key
    {50666, "Protocol Summary"},
    {50668, "Протокол"},
    {50670, "Total Bytes"},
    {50672, "Итог по пакетам"},
    {50674, "Protocol Key"},
    {50676, "No Focus"},
    {50678, "Другой"},

    // Top receivers window
    {50688, "Хост"},
    {50690, "Total Bytes Received"},
    {50692, "Top Hosts (Receivers)"},

    // Report footer credit
    {50696, "produced by "},

    // Network statistics report (and the alarm report's time column)
    // In the two-title heading lines the second title starts at column 73, over the value column
    // of the "%-71.71s %u" rows; the alarm heading puts it at column 43.
    {50698, "Время"},
    {50702, "Statistics Report"},
    {50704, "Network Statistics Report"},
    {50706, "Содержание"},
    {50708, "Строка"},
    {50710, "Overall Statistics"},
    {50712, "Peak Network Load"},
    {50714, "Average Network Load"},
    {50716, "Top %d Alarms"},
    {50718, "Уведомление о тревоге"},
    {50720, "Times Activated"},
    {50722, "Alarm Notify String                       Times Activated"},
    {50724, "activations"},
    {50726, "Top %d Links "},
    {50728, "Source, Destination                                                     Bytes Sent"},
    {50730, "Исходный"},
    {50732, "Местонахождение"},
    {50734, "посланно байт"},
    {50736, "Top %d Receivers"},
    {50738, "Host Name                                                               Bytes Received"},
    {50740, "Хост"},
    {50742, "Top %d Senders"},
    {50744, "Protocol Summary"},
    {50746, "Protocol                 Bytes                                Packets"},
    {50748, "Протокол"},
    {50750, "байты"},
    {50752, "Packets"},

    // Host list window
    {50884, "Список хостов"},
    {50886, "MAC адрес"},
    {50888, "Имя хоста"},
    {50890, "IP адрес"},
    {50892, "IP имя"},
    {50894, "Итого байт отправленно"},
    {50896, "байт/сек посланно"},
    {50898, "Итог отправленных пакетов"},
    {50900, "Packets/Sec Sent"},
    {50902, "Total Bytes Received"},
    {50904, "байт/сек принято:"},
    {50906, "Итог принятох пакетов"},
    {50908, "Packets/Sec Received"},
    {50910, "unimplemented"},

    // Node-watch windows (sent, then received)
    {50912, "Dest MAC"},
    {50914, "Dest Local Name"},
    {50916, "Dest IP address"},
    {50918, "Dest IP name"},
    {50920, "Протокол"},
    {50922, "Итог по байтам"},
    {50924, "Packet Total"},
    {50926, "<Отправлено>"},
    {50928, "Unidentified"},
    {50930, "Source MAC"},
    {50932, "Source Local Name"},
    {50934, "Source IP address"},
    {50938, "Source IP name"},
    {50942, "Протокол"},
    {50944, "Итог по байтам"},
    {50946, "Packet Total"},
    {50948, "<Принято>"},
    {50950, "Unidentified"},

    // Zoom box
    {50952, "MOHИTOP"},
};

}  // namespace

std::span<const str_entry> str_table() { return entries; }

}  // namespace nw

// The help command: the help file "nodewren.hlp" (an HTML document) under the "dbpath"
// prefix, shown in a help window of its own.
#pragma once

#include <string>

class QTextBrowser;

namespace nw {

inline constexpr const char* HELP_FILE = "nodewren.hlp";

// The help file's path: the prefix as it is stored, then the file name.
[[nodiscard]] std::string help_path(const std::string& dbpath);

// Shows the file in the help window (made on first use, raised after). 1 when shown; -1 when
// the file cannot be read, after message 50024 "Unable to activate help".
int help_show(const std::string& dbpath);

// The help window while it is open, else nullptr.
[[nodiscard]] QTextBrowser* help_window();

// Closes the help window (shutdown).
void help_close();

}  // namespace nw

// An alarm's program text split into the words a shell would pass to the program, with nothing
// expanded: the program is started without a shell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nw {

// The words of `command` as /bin/sh splits them, quotes removed:
// - blanks (space, tab, line feed) outside quotes separate words;
// - single quotes keep everything up to the next single quote;
// - double quotes keep everything up to the next unescaped double quote, and drop a backslash
//   only before $ ` " \ (and a backslash with a line feed altogether);
// - outside quotes a backslash keeps the next character as it is and is dropped, a backslash
//   with a line feed goes altogether, and a backslash at the very end stays;
// - an empty pair of quotes is an empty word.
// Nothing is expanded or interpreted: $VAR, `...`, ~, * and ? stay as written, and ; | & < > #
// are ordinary characters. 1 with the words (none for a blank text); -1 with `words` emptied
// when a quote is not closed.
[[nodiscard]] int alarm_command_split(std::string_view command, std::vector<std::string>& words);

}  // namespace nw

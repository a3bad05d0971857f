// Messages the engine shows to the user. The program routes them to message boxes; the
// default writes them to standard error; tests capture them.
#pragma once

#include <functional>
#include <string>

namespace nw {

enum class message_icon { none, information, exclamation, stop };

struct message {
  std::string text;
  std::string caption;
  message_icon icon = message_icon::none;
};

using message_hook = std::function<void(const message&)>;

void message_show(const message& msg);

// Replaces the hook; an empty hook restores the standard-error default.
void message_set_hook(message_hook hook);

// Shows text under the error caption ("Ошибка").
void message_error(std::string text, message_icon icon = message_icon::stop);

// printf-style formatting of a numbered text's format (at most 1023 characters result).
[[nodiscard]] std::string message_format(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace nw

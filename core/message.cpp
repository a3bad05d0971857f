// The engine's message hook.
#include "core/message.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "core/str_cache.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_ERROR_CAPTION = 50008;

void to_stderr(const message& msg) {
  std::fprintf(stderr, "%s: %s\n", msg.caption.c_str(), msg.text.c_str());
}

std::mutex hook_mutex;  // the hook is set by the program's thread and called from any thread
message_hook current_hook = to_stderr;

}  // namespace

void message_show(const message& msg) {
  message_hook hook;
  {
    std::lock_guard lock(hook_mutex);
    hook = current_hook;
  }
  hook(msg);
}

void message_error(std::string text, message_icon icon) {
  message_show(message{std::move(text), str_text(STR_ERROR_CAPTION), icon});
}

void message_set_hook(message_hook hook) {
  std::lock_guard lock(hook_mutex);
  current_hook = hook ? std::move(hook) : message_hook(to_stderr);
}

std::string message_format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

}  // namespace nw

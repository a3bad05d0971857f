// Any program text of an alarm must split without a crash or a hang, and the words it gives,
// each quoted again in single quotes, must split back into exactly the same words.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "alarm/alarm_command.h"

namespace {

// A single-quoted word; a quote inside it closes, escapes one and opens again.
std::string quoted(const std::string& word) {
  std::string text = "'";
  for (const char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  if (nw::alarm_command_split(command, words) != 1) {
    if (!words.empty()) std::abort();
    return 0;
  }
  std::string again;
  for (const std::string& word : words) again += quoted(word) + " ";
  std::vector<std::string> back;
  if (nw::alarm_command_split(again, back) != 1 || back != words) std::abort();
  return 0;
}

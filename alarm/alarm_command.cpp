// Word splitting and quote removal of a command line, without any expansion.
#include "alarm/alarm_command.h"

#include <utility>

namespace nw {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Inside double quotes a backslash escapes only the characters that are special there.
bool escapable_in_double_quotes(char c) { return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n'; }

// Appends the single-quoted text that starts after position `open` to `word`; the position of
// the closing quote, or npos when there is none.
std::size_t single_quoted(std::string_view command, std::size_t open, std::string& word) {
  const std::size_t close = command.find('\'', open + 1);
  if (close != std::string_view::npos) word.append(command.substr(open + 1, close - open - 1));
  return close;
}

// Appends the double-quoted text that starts after position `open` to `word`; the position of
// the closing quote, or npos when there is none.
std::size_t double_quoted(std::string_view command, std::size_t open, std::string& word) {
  for (std::size_t i = open + 1; i < command.size(); ++i) {
    const char c = command[i];
    if (c == '"') return i;
    if (c == '\\' && i + 1 < command.size() && escapable_in_double_quotes(command[i + 1])) {
      ++i;
      if (command[i] != '\n') word += command[i];
    } else {
      word += c;
    }
  }
  return std::string_view::npos;
}

}  // namespace

int alarm_command_split(std::string_view command, std::vector<std::string>& words) {
  words.clear();
  std::string word;
  bool in_word = false;  // a word has begun, perhaps as an empty pair of quotes
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (is_blank(c)) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '\'' || c == '"') {
      const std::size_t close = c == '\'' ? single_quoted(command, i, word) : double_quoted(command, i, word);
      if (close == std::string_view::npos) {
        words.clear();
        return -1;
      }
      i = close;
      in_word = true;
    } else if (c == '\\' && i + 1 < command.size()) {
      ++i;
      if (command[i] == '\n') continue;  // a continued line: both go
      word += command[i];
      in_word = true;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return 1;
}

}  // namespace nw

// The scanner of the protocol file: longest match over bytes, comments and blanks skipped.
#pragma once

#include <cstdint>
#include <string_view>

namespace nw {

enum class pdl_token_kind {
  end,
  comma,
  colon,
  open_brace,
  close_brace,
  open_paren,
  close_paren,
  plus,
  equals,  // "=="
  kw_ibo,
  kw_nbo,
  kw_byte,  // "byte" and "octet"
  kw_length,
  kw_lword,
  kw_mask,
  kw_primitive,
  kw_protocol,
  kw_word,
  name,
  string,
  number,
  other,  // any other single character: no production accepts it
};

struct pdl_token {
  pdl_token_kind kind = pdl_token_kind::end;
  std::string_view text;  // a name's spelling, a string's body, the character of `other`
  std::uint32_t number = 0;
  int line = 1;  // where the token starts
};

class pdl_scanner {
 public:
  explicit pdl_scanner(std::string_view input) : input_(input) {}
  [[nodiscard]] pdl_token next();

 private:
  void skip_blanks_and_comments();
  [[nodiscard]] pdl_token scan_word();
  [[nodiscard]] pdl_token scan_number();

  std::string_view input_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// The length of the comment that starts with "/*" at the front of text (the longest that the
// comment automaton accepts), or 0 when none can end.
[[nodiscard]] std::size_t pdl_comment_length(std::string_view text);

// The position of the first character at or after pos that is neither a blank nor part of a
// comment; line counts the line feeds passed. The alarm file shares the protocol file's blanks
// and comments.
[[nodiscard]] std::size_t pdl_skip_blanks_and_comments(std::string_view input, std::size_t pos, int& line);

}  // namespace nw

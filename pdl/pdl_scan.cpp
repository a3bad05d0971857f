// The protocol file's scanner.
#include "pdl/pdl_scan.h"

#include <array>
#include <utility>

namespace nw {
namespace {

struct keyword {
  std::string_view spelling;
  pdl_token_kind kind;
};

constexpr std::array<keyword, 10> keywords{{
    {"IBO", pdl_token_kind::kw_ibo},
    {"NBO", pdl_token_kind::kw_nbo},
    {"byte", pdl_token_kind::kw_byte},
    {"length", pdl_token_kind::kw_length},
    {"lword", pdl_token_kind::kw_lword},
    {"mask", pdl_token_kind::kw_mask},
    {"octet", pdl_token_kind::kw_byte},
    {"primitive", pdl_token_kind::kw_primitive},
    {"protocol", pdl_token_kind::kw_protocol},
    {"word", pdl_token_kind::kw_word},
}};

constexpr std::array<std::pair<char, pdl_token_kind>, 7> punctuation{{
    {',', pdl_token_kind::comma},
    {':', pdl_token_kind::colon},
    {'{', pdl_token_kind::open_brace},
    {'}', pdl_token_kind::close_brace},
    {'(', pdl_token_kind::open_paren},
    {')', pdl_token_kind::close_paren},
    {'+', pdl_token_kind::plus},
}};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word_char(char c) { return is_letter(c) || is_digit(c); }

int hex_digit(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal and binary numbers stop growing at the largest 32-bit value.
std::uint32_t saturating_append(std::uint32_t value, unsigned base, unsigned digit) {
  constexpr std::uint64_t max = 0xFFFFFFFFU;
  const std::uint64_t grown = std::uint64_t{value} * base + digit;
  return static_cast<std::uint32_t>(grown > max ? max : grown);
}

// States of the comment body after "/*". The two accepting states differ in that "**/" may
// still continue with a further "/".
enum class comment_state { body, star, star_other, two_stars, star_other_slash, end, end_after_stars, dead };

comment_state comment_step(comment_state s, char c) {
  using enum comment_state;
  switch (s) {
    case body: return c == '*' ? star : body;
    case star: return c == '*' ? two_stars : c == '/' ? end : star_other;
    case star_other: return c == '*' ? star : c == '/' ? star_other_slash : body;
    case two_stars: return c == '*' ? star : c == '/' ? end_after_stars : body;
    case star_other_slash: return c == '/' ? star_other : dead;
    case end_after_stars: return c == '/' ? star_other : dead;
    case end:
    case dead: return dead;
  }
  return dead;
}

}  // namespace

std::size_t pdl_comment_length(std::string_view text) {
  if (!text.starts_with("/*")) return 0;
  std::size_t accepted = 0;
  auto s = comment_state::body;
  for (std::size_t i = 2; i < text.size() && s != comment_state::dead; ++i) {
    s = comment_step(s, text[i]);
    if (s == comment_state::end || s == comment_state::end_after_stars) accepted = i + 1;
  }
  return accepted;
}

std::size_t pdl_skip_blanks_and_comments(std::string_view input, std::size_t pos, int& line) {
  while (pos < input.size()) {
    const char c = input[pos];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (c == '\n') ++line;
      ++pos;
      continue;
    }
    const std::size_t comment = pdl_comment_length(input.substr(pos));
    if (comment == 0) break;
    for (std::size_t i = pos; i < pos + comment; ++i) line += input[i] == '\n' ? 1 : 0;
    pos += comment;
  }
  return pos;
}

void pdl_scanner::skip_blanks_and_comments() { pos_ = pdl_skip_blanks_and_comments(input_, pos_, line_); }

pdl_token pdl_scanner::scan_word() {
  std::size_t end = pos_;
  while (end < input_.size() && is_word_char(input_[end])) ++end;
  pdl_token token{pdl_token_kind::name, input_.substr(pos_, end - pos_), 0, line_};
  for (const keyword& k : keywords) {
    if (k.spelling == token.text) token.kind = k.kind;
  }
  pos_ = end;
  return token;
}

// Decimal wraps modulo 2^32; "0x" (lower-case x) and "#" numbers saturate. "0X1" is the
// number 0 followed by the name "X1".
pdl_token pdl_scanner::scan_number() {
  pdl_token token{pdl_token_kind::number, {}, 0, line_};
  const std::size_t start = pos_;
  if (input_.substr(pos_).starts_with("0x") && pos_ + 2 < input_.size() &&
      hex_digit(input_[pos_ + 2]) >= 0) {
    for (pos_ += 2; pos_ < input_.size() && hex_digit(input_[pos_]) >= 0; ++pos_) {
      token.number = saturating_append(token.number, 16, static_cast<unsigned>(hex_digit(input_[pos_])));
    }
  } else if (input_[pos_] == '#') {
    for (++pos_; pos_ < input_.size() && (input_[pos_] == '0' || input_[pos_] == '1'); ++pos_) {
      token.number = saturating_append(token.number, 2, static_cast<unsigned>(input_[pos_] - '0'));
    }
  } else {
    for (; pos_ < input_.size() && is_digit(input_[pos_]); ++pos_) {
      token.number = token.number * 10U + static_cast<std::uint32_t>(input_[pos_] - '0');
    }
  }
  token.text = input_.substr(start, pos_ - start);
  return token;
}

pdl_token pdl_scanner::next() {
  skip_blanks_and_comments();
  if (pos_ >= input_.size()) return {pdl_token_kind::end, {}, 0, line_};
  const char c = input_[pos_];
  if (is_letter(c)) return scan_word();
  const bool binary = c == '#' && pos_ + 1 < input_.size() &&
                      (input_[pos_ + 1] == '0' || input_[pos_ + 1] == '1');
  if (is_digit(c) || binary) return scan_number();

  pdl_token token{pdl_token_kind::other, input_.substr(pos_, 1), 0, line_};
  if (c == '"') {
    const std::size_t close = input_.find('"', pos_ + 1);
    if (close != std::string_view::npos) {
      token = {pdl_token_kind::string, input_.substr(pos_ + 1, close - pos_ - 1), 0, line_};
      for (char s : token.text) line_ += s == '\n' ? 1 : 0;
      pos_ = close + 1;
      return token;
    }
  } else if (input_.substr(pos_).starts_with("==")) {
    pos_ += 2;
    return {pdl_token_kind::equals, input_.substr(pos_ - 2, 2), 0, token.line};
  } else {
    for (const auto& [ch, kind] : punctuation) {
      if (ch == c) token.kind = kind;
    }
  }
  ++pos_;
  return token;
}

}  // namespace nw

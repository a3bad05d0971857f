// The protocol file's scanner: tokens, numbers, strings, comments and line numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdl/pdl_scan.h"

namespace nw {
namespace {

using enum pdl_token_kind;

std::vector<pdl_token> scan(std::string_view text) {
  pdl_scanner scanner(text);
  std::vector<pdl_token> tokens;
  for (pdl_token t = scanner.next(); t.kind != end; t = scanner.next()) tokens.push_back(t);
  return tokens;
}

std::vector<pdl_token_kind> kinds(std::string_view text) {
  std::vector<pdl_token_kind> out;
  for (const auto& t : scan(text)) out.push_back(t.kind);
  return out;
}

TEST(PdlScanner, PunctuationKeywordsAndNames) {
  EXPECT_EQ(kinds(", : { } ( ) + == ="),
            (std::vector{comma, colon, open_brace, close_brace, open_paren, close_paren, plus,
                         equals, other}));
  EXPECT_EQ(kinds("IBO NBO byte octet length lword mask primitive protocol word"),
            (std::vector{kw_ibo, kw_nbo, kw_byte, kw_byte, kw_length, kw_lword, kw_mask,
                         kw_primitive, kw_protocol, kw_word}));
  // Keywords are whole words and case-sensitive.
  EXPECT_EQ(kinds("bytes Byte ibo _x x_1"), (std::vector{name, name, name, name, name}));
  EXPECT_EQ(scan("TCP_2")[0].text, "TCP_2");
}

TEST(PdlScanner, Numbers) {
  struct number_case {
    const char* text;
    std::vector<pdl_token_kind> kinds;
    std::uint32_t first_value;
  };
  const std::vector<number_case> cases = {
      {"0x1f", {number}, 0x1F},
      {"0x1F", {number}, 0x1F},
      {"0X1F", {number, name}, 0},      // only a lower-case x makes a hexadecimal prefix
      {"0x", {number, name}, 0},        // "0x" without digits is the number 0 and the name x
      {"0xFFFFFFFFF", {number}, 0xFFFFFFFFU},  // hexadecimal saturates
      {"#101", {number}, 5},
      {"#111111111111111111111111111111111", {number}, 0xFFFFFFFFU},  // binary saturates
      {"#2", {other, number}, '#'},
      {"4294967295", {number}, 0xFFFFFFFFU},
      {"4294967296", {number}, 0},      // decimal wraps
      {"4294967297", {number}, 1},
      {"12abc", {number, name}, 12},    // digits followed by letters are two tokens
      {"007", {number}, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto tokens = scan(c.text);
    std::vector<pdl_token_kind> got;
    for (const auto& t : tokens) got.push_back(t.kind);
    EXPECT_EQ(got, c.kinds);
    if (tokens[0].kind == number) {
      EXPECT_EQ(tokens[0].number, c.first_value);
    } else {
      EXPECT_EQ(tokens[0].text[0], static_cast<char>(c.first_value));
    }
  }
}

TEST(PdlScanner, StringsSpanLinesAndAnUnclosedQuoteIsAStrayCharacter) {
  const auto tokens = scan("\"Web\n(HTTP)\" x");
  ASSERT_EQ(tokens.size(), 2U);
  EXPECT_EQ(tokens[0].kind, string);
  EXPECT_EQ(tokens[0].text, "Web\n(HTTP)");
  EXPECT_EQ(tokens[1].line, 2);
  EXPECT_EQ(kinds("\"open"), (std::vector{other, name}));
  EXPECT_EQ(scan("\"\"")[0].text, "");
}

TEST(PdlScanner, CommentAutomatonTakesTheLongestEnd) {
  struct comment_case {
    const char* text;
    std::size_t length;  // 0: no comment starts here
  };
  const std::vector<comment_case> cases = {
      {"/* plain */ x", 11},
      {"/**/", 4},
      {"/***/", 5},                  // three stars between the slashes
      {"/* a / b */", 11},           // a lone slash inside
      {"/* a*b/c */", 0},            // star, one character, slash: the automaton stops
      {"/* a*b/c", 0},
      {"/* never ends", 0},
      {"/*/", 0},
      {"/* x **// y */", 14},        // "**/" may go on with a further "/"
      {"/* x **/ y */", 8},          // ... but not with a blank
      {"/* a */ b */", 7},           // the first end closes the comment
      {"/* a*b// c */", 13},         // after "*b/" a second slash continues the body
      {"not a comment", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(pdl_comment_length(c.text), c.length);
  }
}

TEST(PdlScanner, CommentsAndBlanksAreSkippedAndLinesCounted) {
  const auto tokens = scan("a /* one\ntwo */ b\r\n\tc /* x*y/z */");
  ASSERT_EQ(tokens.size(), 12U);  // the broken comment scans as characters and words
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[1].text, "b");
  EXPECT_EQ(tokens[1].line, 2);
  EXPECT_EQ(tokens[2].text, "c");
  EXPECT_EQ(tokens[2].line, 3);
  EXPECT_EQ(tokens[3].kind, other);
  EXPECT_EQ(tokens[3].text, "/");
}

TEST(PdlScanner, UnknownBytesAreSingleCharacters) {
  EXPECT_EQ(kinds("\xD0\x9F"), (std::vector{other, other}));
  EXPECT_EQ(kinds(std::string_view("\0;", 2)), (std::vector{other, other}));
  EXPECT_EQ(kinds("\f\v"), (std::vector{other, other}));
}

}  // namespace
}  // namespace nw

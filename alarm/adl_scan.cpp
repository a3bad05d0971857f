// The alarm file's scanner.
#include "alarm/adl_scan.h"

#include <array>
#include <string>

#include "pdl/pdl_scan.h"
#include "pdl/symbol.h"

namespace nw {
namespace {

struct keyword {
  std::string_view spelling;
  adl_token_kind kind;
};

constexpr std::array<keyword, 14> keywords{{
    {"Occurrence", adl_token_kind::kw_occurrence},
    {"Threshold", adl_token_kind::kw_threshold},
    {"URL", adl_token_kind::kw_url},
    {"bandwidth", adl_token_kind::kw_bandwidth},
    {"high", adl_token_kind::kw_high},
    {"host", adl_token_kind::kw_host},
    {"kbytes", adl_token_kind::kw_kbytes},
    {"link", adl_token_kind::kw_link},
    {"low", adl_token_kind::kw_low},
    {"network", adl_token_kind::kw_network},
    {"off", adl_token_kind::kw_off},
    {"on", adl_token_kind::kw_on},
    {"pkts", adl_token_kind::kw_pkts},
    {"protocol", adl_token_kind::kw_protocol},
}};

constexpr std::size_t HW_ADDRESS_LENGTH = 17;  // "00:a0:c9:14:c8:29"
constexpr std::size_t HEX_BYTE_LENGTH = 4;     // "0x1f"

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_word_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }

// Letters, '_' and the printable punctuation that no other token starts or that the address
// and path forms use.
bool starts_word(char c) {
  if (is_letter(c)) return true;
  if (c < '!' || c > '~' || is_digit(c)) return false;
  return std::string_view("\"',-./:\\[]`").find(c) == std::string_view::npos;
}

bool is_hw_address(std::string_view text) {
  if (text.size() < HW_ADDRESS_LENGTH) return false;
  for (std::size_t i = 0; i < HW_ADDRESS_LENGTH; ++i) {
    const bool colon_place = i % 3 == 2;
    if (colon_place ? text[i] != ':' : !is_hex(text[i])) return false;
  }
  return true;
}

bool is_hex_byte(std::string_view text) {
  return text.size() >= HEX_BYTE_LENGTH && text.starts_with("0x") && is_hex(text[2]) && is_hex(text[3]);
}

}  // namespace

void adl_scanner::skip_blanks_and_comments() { pos_ = pdl_skip_blanks_and_comments(input_, pos_, line_); }

adl_token adl_scanner::token(adl_token_kind kind, std::size_t length) {
  adl_token t{kind, input_.substr(pos_, length), 0, false, nullptr, line_};
  pos_ += length;
  return t;
}

adl_token adl_scanner::scan_word() {
  std::size_t end = pos_ + 1;
  while (end < input_.size() && is_word_char(input_[end])) ++end;
  adl_token t = token(adl_token_kind::word, end - pos_);
  for (const keyword& k : keywords) {
    if (k.spelling == t.text) {
      t.kind = k.kind;
      return t;
    }
  }
  // A name used in the protocol file but never defined there names no protocol.
  if (const symbol* sym = symbol_find(std::string(t.text)); sym != nullptr && sym->def != nullptr) {
    t.kind = adl_token_kind::protocol;
    t.protocol = sym->def;
  }
  return t;
}

adl_token adl_scanner::scan_number() {
  std::size_t end = pos_;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; end < input_.size() && is_digit(input_[end]); ++end) {
    value = value * 10 + static_cast<std::uint64_t>(input_[end] - '0');
    if (value > 0xFFFFFFFFU) {
      overflow = true;
      value = 0;  // keeps the arithmetic in range; the value is refused anyway
    }
  }
  adl_token t = token(adl_token_kind::number, end - pos_);
  t.number = static_cast<std::uint32_t>(value);
  t.overflow = overflow;
  return t;
}

adl_token adl_scanner::next() {
  skip_blanks_and_comments();
  if (pos_ >= input_.size()) return {adl_token_kind::end, {}, 0, false, nullptr, line_};
  const std::string_view rest = input_.substr(pos_);
  const char c = rest[0];
  if (is_hw_address(rest)) return token(adl_token_kind::hw_address, HW_ADDRESS_LENGTH);
  if (is_hex_byte(rest)) return token(adl_token_kind::hex_byte, HEX_BYTE_LENGTH);
  if (is_digit(c)) return scan_number();
  if (starts_word(c)) return scan_word();
  switch (c) {
    case '"': {
      const std::size_t close = rest.find('"', 1);
      if (close == std::string_view::npos) break;  // an unterminated string is a lone quote
      adl_token t = token(adl_token_kind::string, close + 1);
      t.text = t.text.substr(1, close - 1);
      for (char s : t.text) line_ += s == '\n' ? 1 : 0;
      return t;
    }
    case ':': return token(adl_token_kind::colon, 1);
    case '/': return token(adl_token_kind::slash, 1);
    case '.': return token(adl_token_kind::dot, 1);
    default: break;
  }
  return token(adl_token_kind::other, 1);
}

}  // namespace nw

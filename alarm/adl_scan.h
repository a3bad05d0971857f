// The alarm file's scanner: longest match over bytes, blanks and comments skipped, words looked
// up among the keywords and then among the protocol file's names.
#pragma once

#include <cstdint>
#include <string_view>

namespace nw {

struct protocol_def;

enum class adl_token_kind {
  end,
  word,      // neither a keyword nor a protocol: no production accepts it
  protocol,  // a protocol name of the protocol file
  string,
  number,
  hex_byte,    // "0x" and two hexadecimal digits: no production accepts it
  hw_address,  // six colon-separated pairs of hexadecimal digits
  colon,
  slash,
  dot,
  other,  // any other single character: no production accepts it
  kw_occurrence,
  kw_threshold,
  kw_url,
  kw_bandwidth,
  kw_high,
  kw_host,
  kw_kbytes,
  kw_link,
  kw_low,
  kw_network,
  kw_off,
  kw_on,
  kw_pkts,
  kw_protocol,
};

struct adl_token {
  adl_token_kind kind = adl_token_kind::end;
  std::string_view text;  // the spelling; a string's body without its quotes
  std::uint32_t number = 0;
  bool overflow = false;  // a number beyond 32 bits
  const protocol_def* protocol = nullptr;
  int line = 1;  // where the token starts
};

class adl_scanner {
 public:
  explicit adl_scanner(std::string_view input) : input_(input) {}
  [[nodiscard]] adl_token next();

 private:
  void skip_blanks_and_comments();
  [[nodiscard]] adl_token token(adl_token_kind kind, std::size_t length);
  [[nodiscard]] adl_token scan_word();
  [[nodiscard]] adl_token scan_number();

  std::string_view input_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace nw

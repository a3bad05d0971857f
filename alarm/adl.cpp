// The alarm file's grammar, its reader and its writer. The grammar has no error recovery: the
// first syntax error ends reading, and the alarms complete before it stay.
#include "alarm/adl.h"

#include <optional>

#include "alarm/adl_scan.h"
#include "alarm/alarm.h"
#include "alarm/alarm_ref.h"
#include "alarm/alarm_text.h"
#include "core/file_read.h"
#include "core/message.h"
#include "core/netaddr_ipv4.h"
#include "core/str_cache.h"
#include "tools/replace_file.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_COULD_NOT_OPEN = 50040;

constexpr const char* PARSE_ERROR = "parse error";
constexpr const char* COULD_NOT_SAVE = "Could not save file %s for parsing";

// Far beyond any alarm file a person writes; a larger file is refused as unreadable.
constexpr std::uintmax_t ADL_FILE_MAX = 16U << 20U;

constexpr std::uint32_t OCTET_MAX = 255;

struct syntax_error {
  int line;
};

class parser {
 public:
  parser(std::string_view text, alarm_list& out) : scanner_(text), out_(out) { token_ = scanner_.next(); }

  void parse_file() {
    while (token_.kind != adl_token_kind::end) parse_alarm();
  }

 private:
  using kind = adl_token_kind;

  [[noreturn]] void fail() const { throw syntax_error{token_.line}; }

  void advance() {
    if (ahead_) {
      token_ = *ahead_;
      ahead_.reset();
    } else {
      token_ = scanner_.next();
    }
  }

  const adl_token& peek() {
    if (!ahead_) ahead_ = scanner_.next();
    return *ahead_;
  }

  [[nodiscard]] bool at(kind k) const { return token_.kind == k; }

  adl_token expect(kind k) {
    if (!at(k)) fail();
    adl_token taken = token_;
    advance();
    return taken;
  }

  // A number past 32 bits is refused rather than taken modulo 2^32: a wrapped threshold would
  // watch for something else than the file says.
  std::uint32_t expect_number(std::uint32_t max = 0xFFFFFFFFU) {
    if (!at(kind::number) || token_.overflow || token_.number > max) fail();
    return expect(kind::number).number;
  }

  void parse_alarm() {
    auto alarm = alarm_new();
    bool keep = true;
    if (at(kind::kw_threshold)) {
      advance();
      alarm->type = ALARM_THRESHOLD;
      parse_tsubject(*alarm);
    } else if (at(kind::kw_occurrence)) {
      advance();
      alarm->type = ALARM_OCCURRENCE;
      keep = parse_osubject(*alarm);
    } else {
      fail();
    }
    alarm->message = std::string(expect(kind::string).text);
    alarm->state = parse_state();
    set_action(expect(kind::string).text, alarm->program, alarm->program_enabled);
    set_action(expect(kind::string).text, alarm->sound, alarm->sound_enabled);
    if (!keep) return;
    (void)alarm_ref_resolve(alarm->host_a);
    if (alarm->host_b != alarm->host_a) (void)alarm_ref_resolve(alarm->host_b);
    out_.push_back(std::move(alarm));
  }

  static void set_action(std::string_view text, std::string& action, std::int32_t& enabled) {
    action = std::string(text);
    enabled = text.empty() ? 0 : 1;
  }

  std::int32_t parse_state() {
    if (at(kind::kw_on)) {
      advance();
      return ALARM_ON;
    }
    expect(kind::kw_off);
    return ALARM_OFF;
  }

  void parse_limit(alarm_def& alarm) {
    if (at(kind::kw_high)) {
      alarm.direction = ALARM_HIGH;
    } else if (at(kind::kw_low)) {
      alarm.direction = ALARM_LOW;
    } else {
      fail();
    }
    advance();
    alarm.value = expect_number();
    switch (token_.kind) {
      case kind::kw_pkts: alarm.unit = ALARM_PACKETS; break;
      case kind::kw_kbytes: alarm.unit = ALARM_KBYTES; break;
      case kind::kw_bandwidth: alarm.unit = ALARM_BANDWIDTH; break;
      default: fail();
    }
    advance();
  }

  void parse_tsubject(alarm_def& alarm) {
    const adl_token subject = token_;
    advance();
    switch (subject.kind) {
      case kind::kw_host: parse_hosts(alarm, ALARM_HOST); break;
      case kind::kw_link: parse_hosts(alarm, ALARM_LINK); break;
      case kind::kw_network: alarm.subject = ALARM_NETWORK; break;
      case kind::kw_protocol:
        parse_protocol(alarm);
        // The writer gives a threshold protocol alarm its limit; a file may leave it out.
        if (!at(kind::kw_high) && !at(kind::kw_low)) return;
        break;
      default:
        throw syntax_error{subject.line};
    }
    parse_limit(alarm);
  }

  // false for the "URL" form, which is read and builds no alarm.
  bool parse_osubject(alarm_def& alarm) {
    const adl_token subject = token_;
    advance();
    switch (subject.kind) {
      case kind::kw_host: parse_hosts(alarm, ALARM_HOST); return true;
      case kind::kw_link: parse_hosts(alarm, ALARM_LINK); return true;
      case kind::kw_network:
        alarm.subject = ALARM_NETWORK;
        if (network_hostref_follows()) alarm.host_a = alarm.host_b = parse_hostref();
        return true;
      case kind::kw_url:
        expect(kind::string);
        return false;
      case kind::kw_protocol: parse_protocol(alarm); return true;
      default:
        throw syntax_error{subject.line};
    }
  }

  void parse_hosts(alarm_def& alarm, std::int32_t subject) {
    alarm.subject = subject;
    alarm.host_a = parse_hostref();
    if (subject == ALARM_LINK) alarm.host_b = parse_hostref();
  }

  void parse_protocol(alarm_def& alarm) {
    alarm.subject = ALARM_PROTOCOL;
    alarm.protocol = expect(kind::protocol).protocol;
  }

  // The host of a network occurrence alarm may be left out: a string then is the message,
  // which the state follows.
  bool network_hostref_follows() {
    switch (token_.kind) {
      case kind::hw_address:
      case kind::number:
      case kind::colon: return true;
      case kind::string: return peek().kind != kind::kw_on && peek().kind != kind::kw_off;
      default: return false;
    }
  }

  alarm_host parse_hostref() {
    switch (token_.kind) {
      case kind::hw_address: {
        netaddr hw;
        netaddr_init(hw, NETADDR_ETHER);
        netaddr_parse(hw, token_.text);
        advance();
        return alarm_ref_hw(hw);
      }
      case kind::string: return alarm_ref_name(std::string(expect(kind::string).text));
      case kind::colon:
        advance();
        expect(kind::colon);
        return parse_ipv4();
      default: return parse_ipv4();
    }
  }

  // Four numbers joined by dots, each an octet: 300 would otherwise silently name another host.
  alarm_host parse_ipv4() {
    netaddr ip;
    netaddr_init(ip, NETADDR_IPV4);
    std::uint8_t* octets = netaddr_bytes(ip);
    for (std::size_t i = 0; i < NETADDR_IPV4_LENGTH; ++i) {
      if (i > 0) expect(kind::dot);
      octets[i] = static_cast<std::uint8_t>(expect_number(OCTET_MAX));
    }
    return alarm_ref_ipv4(ip);
  }

  adl_scanner scanner_;
  adl_token token_;
  std::optional<adl_token> ahead_;
  alarm_list& out_;
};

}  // namespace

alarm_list& adl_load_text(std::string_view text) {
  alarm_list& list = alarm_list_current();
  try {
    parser(text, list).parse_file();
  } catch (const syntax_error& error) {
    message_error(message_format("%s на линии [%d]", PARSE_ERROR, error.line), message_icon::none);
  }
  return list;
}

alarm_list& adl_load(const std::string& path) {
  std::string text;
  if (file_read_all(path, &text, ADL_FILE_MAX) != file_read_result::done) {
    message_error(message_format(str_text(STR_COULD_NOT_OPEN), path.c_str()), message_icon::exclamation);
    return alarm_list_current();
  }
  return adl_load_text(text);
}

int adl_save(const std::string& path, const alarm_list& list) {
  std::string text;
  for (const auto& alarm : list) text += alarm_to_text(*alarm);
  if (tools::replace_file(path, text)) return 1;
  message_error(message_format(COULD_NOT_SAVE, path.c_str()), message_icon::exclamation);
  return -1;
}

}  // namespace nw

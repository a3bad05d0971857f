// Writing one alarm as a line of the alarm file.
#include "alarm/alarm_text.h"

#include <array>
#include <string_view>

#include "alarm/adl_scan.h"
#include "alarm/alarm_ref.h"
#include "pdl/pd_model.h"

namespace nw {
namespace {

constexpr std::array<std::string_view, 2> DIRECTION_TEXT{"high ", "low "};
constexpr std::array<std::string_view, 3> UNIT_TEXT{"pkts ", "kbytes ", "bandwidth "};

bool quotable(std::string_view text) { return text.find('"') == std::string_view::npos; }

// The protocol's name when the reader takes it back as this same protocol (a name spelt like
// a keyword would read as the keyword).
std::string protocol_text(const protocol_def* protocol) {
  if (protocol == nullptr) return {};
  adl_scanner scanner(protocol->name);
  const adl_token t = scanner.next();
  const bool reads_back = t.kind == adl_token_kind::protocol && t.protocol == protocol &&
                          t.text.size() == protocol->name.size();
  return reads_back ? protocol->name : std::string{};
}

// The subject's words, each followed by a blank; empty when the subject cannot be written.
std::string subject_text(const alarm_def& alarm) {
  switch (alarm.subject) {
    case ALARM_HOST: {
      const std::string a = alarm_ref_text(alarm.host_a);
      return a.empty() ? std::string{} : "host " + a + " ";
    }
    case ALARM_LINK: {
      const std::string a = alarm_ref_text(alarm.host_a);
      const std::string b = alarm_ref_text(alarm.host_b);
      return a.empty() || b.empty() ? std::string{} : "link " + a + " " + b + " ";
    }
    case ALARM_PROTOCOL: {
      const std::string name = protocol_text(alarm.protocol);
      return name.empty() ? std::string{} : "protocol " + name + " ";
    }
    case ALARM_NETWORK: {
      // Only the occurrence form carries a host, and it may be left out.
      const std::string a = alarm.type == ALARM_OCCURRENCE ? alarm_ref_text(alarm.host_a) : std::string{};
      return a.empty() ? "network " : "network " + a + " ";
    }
    default: return {};
  }
}

bool in_range(std::int32_t value, std::size_t size) { return value >= 0 && static_cast<std::size_t>(value) < size; }

// A program or sound is written only when it is set and enabled; otherwise as "".
std::string_view written_action(const std::string& action, std::int32_t enabled) {
  return enabled == 1 ? std::string_view(action) : std::string_view{};
}

}  // namespace

std::string alarm_to_text(const alarm_def& alarm) {
  const std::string_view program = written_action(alarm.program, alarm.program_enabled);
  const std::string_view sound = written_action(alarm.sound, alarm.sound_enabled);
  if (!quotable(alarm.message) || !quotable(program) || !quotable(sound)) return {};
  const std::string subject = subject_text(alarm);
  if (subject.empty()) return {};
  std::string text = alarm.type == ALARM_OCCURRENCE ? "Occurrence " : "Threshold ";
  text += subject;
  if (alarm.type == ALARM_THRESHOLD) {
    if (!in_range(alarm.direction, DIRECTION_TEXT.size()) || !in_range(alarm.unit, UNIT_TEXT.size())) return {};
    text += DIRECTION_TEXT[static_cast<std::size_t>(alarm.direction)];
    text += std::to_string(alarm.value) + " ";
    text += UNIT_TEXT[static_cast<std::size_t>(alarm.unit)];
  }
  text += "\"" + alarm.message + "\" ";
  text += alarm.state == ALARM_OFF ? "off  " : "on  ";
  text += "\"";
  text += program;
  text += "\" \"";
  text += sound;
  text += "\"\n";
  return text;
}

}  // namespace nw

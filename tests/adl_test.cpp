// The alarm file: its scanner, every alarm form read and written back, the messages with their
// lines, malformed files, the writer's refusals, and host references answered by the cache.
#include <random>

#include "alarm/adl_scan.h"
#include "pdl/symbol.h"
#include "tests/alarm_test_support.h"

namespace nw::test {
namespace {

using enum adl_token_kind;

std::vector<adl_token> scan(std::string_view text) {
  adl_scanner scanner(text);
  std::vector<adl_token> tokens;
  for (adl_token t = scanner.next(); t.kind != end; t = scanner.next()) tokens.push_back(t);
  return tokens;
}

std::vector<adl_token_kind> kinds(std::string_view text) {
  std::vector<adl_token_kind> out;
  for (const auto& t : scan(text)) out.push_back(t.kind);
  return out;
}

std::string texts(const alarm_list& list) {
  std::string all;
  for (const auto& alarm : list) all += alarm_to_text(*alarm);
  return all;
}

class AdlScanner : public alarm_fixture {};

TEST_F(AdlScanner, HardwareAddressesAreOneTokenAndShorterGroupsAreNot) {
  const std::vector<std::pair<const char*, std::vector<adl_token_kind>>> cases = {
      {"00:a0:C9:14:c8:29", {hw_address}},
      {"FF:ff:Ff:fF:00:99x", {hw_address, word}},
      {"00:a0:c9:14:c8", {number, colon, word, colon, word, colon, number, colon, word}},
      {"1a", {number, word}},  // a lone group of a digit and a letter
      {"a1", {word}},
      {"0x1f", {hex_byte}},
      {"0x1fa", {hex_byte, word}},
      {"0x1", {number, word}},
      {"10.0.0.1", {number, dot, number, dot, number, dot, number}},
      {"::10", {colon, colon, number}},
      {"a/b", {word, slash, word}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(kinds(text), expected) << text;
  EXPECT_EQ(scan("00:a0:C9:14:c8:29")[0].text, "00:a0:C9:14:c8:29");
}

TEST_F(AdlScanner, WordsAreKeywordsThenProtocolNamesThenPlainWords) {
  EXPECT_EQ(kinds("Occurrence Threshold URL bandwidth high host kbytes link low network off on pkts protocol"),
            (std::vector{kw_occurrence, kw_threshold, kw_url, kw_bandwidth, kw_high, kw_host, kw_kbytes,
                         kw_link, kw_low, kw_network, kw_off, kw_on, kw_pkts, kw_protocol}));
  // Case counts, for keywords and protocol names alike.
  EXPECT_EQ(kinds("occurrence Host TELNET telnet OTHER_TCP NO_SUCH"), (std::vector{word, word, protocol, word, protocol, word}));
  const auto telnet = scan("TELNET");
  ASSERT_EQ(telnet.size(), 1U);
  ASSERT_NE(symbol_find("TELNET"), nullptr);
  EXPECT_EQ(telnet[0].protocol, symbol_find("TELNET")->def);
  // Punctuation that starts a word; the address and path characters do not.
  EXPECT_EQ(kinds("*x !y _z $ ~1"), (std::vector{word, word, word, word, word}));
  EXPECT_EQ(kinds("-x 'x `x [x]"), (std::vector{other, word, other, word, other, word, other, word, other}));
  EXPECT_EQ(kinds("\xC3\xA9"), (std::vector{other, other}));
}

TEST_F(AdlScanner, StringsCommentsNumbersAndLines) {
  const auto tokens = scan("\"two\nlines\" /* a\ncomment */ on\r\n\"\" 4294967295 4294967296 x");
  ASSERT_EQ(tokens.size(), 6U);
  EXPECT_EQ(tokens[0].text, "two\nlines");
  EXPECT_EQ(tokens[1].kind, kw_on);
  EXPECT_EQ(tokens[1].line, 3);
  EXPECT_EQ(tokens[2].kind, string);
  EXPECT_EQ(tokens[2].text, "");
  EXPECT_EQ(tokens[2].line, 4);
  EXPECT_EQ(tokens[3].number, 0xFFFFFFFFU);
  EXPECT_FALSE(tokens[3].overflow);
  EXPECT_TRUE(tokens[4].overflow);
  // An unterminated string is a lone quote; an unterminated comment a slash and a word.
  EXPECT_EQ(kinds("\"abc"), (std::vector{other, word}));
  EXPECT_EQ(kinds("/* abc"), (std::vector{slash, word, word}));
  EXPECT_TRUE(kinds(" \t\r\n/* only */ /**/").empty());
}

class Adl : public alarm_fixture {};

struct form_case {
  const char* line;  // as written back
  std::int32_t subject, type, direction, unit;
  std::uint32_t value;
  std::int32_t state, program_enabled, sound_enabled;
};

// Every form the editor can make, as the writer writes it.
const std::vector<form_case> FORMS = {
    {"Threshold host 00:A0:C9:14:C8:29 high 100 pkts \"host busy\" on  \"\" \"\"\n", ALARM_HOST, ALARM_THRESHOLD, ALARM_HIGH, ALARM_PACKETS, 100, ALARM_ON, 0, 0},
    {"Threshold link 10.0.0.1 10.0.0.2 low 1 kbytes \"link quiet\" off  \"/usr/bin/logger\" \"\"\n", ALARM_LINK, ALARM_THRESHOLD, ALARM_LOW, ALARM_KBYTES, 1, ALARM_OFF, 1, 0},
    {"Threshold network high 4000000000 bandwidth \"load\" on  \"\" \"/tmp/a b.wav\"\n", ALARM_NETWORK, ALARM_THRESHOLD, ALARM_HIGH, ALARM_BANDWIDTH, 4000000000U, ALARM_ON, 0, 1},
    {"Threshold protocol TELNET low 0 kbytes \"never fires\" on  \"\" \"\"\n", ALARM_PROTOCOL, ALARM_THRESHOLD, ALARM_LOW, ALARM_KBYTES, 0, ALARM_ON, 0, 0},
    {"Occurrence host \"file-server\" \"seen\" on  \"x\" \"y\"\n", ALARM_HOST, ALARM_OCCURRENCE, ALARM_LOW, ALARM_KBYTES, 0, ALARM_ON, 1, 1},
    {"Occurrence link 00:A0:C9:14:C8:29 \"gw\" \"two\nlines\" off  \"\" \"\"\n", ALARM_LINK, ALARM_OCCURRENCE, ALARM_LOW, ALARM_KBYTES, 0, ALARM_OFF, 0, 0},
    {"Occurrence network \"net\" on  \"\" \"\"\n", ALARM_NETWORK, ALARM_OCCURRENCE, ALARM_LOW, ALARM_KBYTES, 0, ALARM_ON, 0, 0},
    {"Occurrence network 192.168.1.1 \"net gw\" on  \"\" \"\"\n", ALARM_NETWORK, ALARM_OCCURRENCE, ALARM_LOW, ALARM_KBYTES, 0, ALARM_ON, 0, 0},
    {"Occurrence protocol OTHER_TCP \"odd tcp\" off  \"\" \"\"\n", ALARM_PROTOCOL, ALARM_OCCURRENCE, ALARM_LOW, ALARM_KBYTES, 0, ALARM_OFF, 0, 0},
};

TEST_F(Adl, EveryFormReadsAndWritesBackAsTheSameAlarm) {
  std::string file;
  for (const form_case& c : FORMS) {
    alarm_list& list = load(c.line);
    ASSERT_EQ(list.size(), 1U) << c.line;
    const alarm_def& a = *list[0];
    EXPECT_EQ(a.subject, c.subject) << c.line;
    EXPECT_EQ(a.type, c.type) << c.line;
    EXPECT_EQ(a.direction, c.direction) << c.line;
    EXPECT_EQ(a.unit, c.unit) << c.line;
    EXPECT_EQ(a.value, c.value) << c.line;
    EXPECT_EQ(a.state, c.state) << c.line;
    EXPECT_EQ(a.program_enabled, c.program_enabled) << c.line;
    EXPECT_EQ(a.sound_enabled, c.sound_enabled) << c.line;
    EXPECT_EQ(a.rank_index, -1);
    EXPECT_EQ(alarm_to_text(a), c.line);
    file += c.line;
  }
  EXPECT_TRUE(messages.empty());

  // The whole file through adl_save and adl_load.
  alarm_list& first = load(file);
  ASSERT_EQ(first.size(), FORMS.size());
  ASSERT_EQ(adl_save(path("alarm.adl"), first), 1);
  EXPECT_EQ(read_file(path("alarm.adl")), file);
  alarm_init();
  alarm_list& again = adl_load(path("alarm.adl"));
  EXPECT_EQ(texts(again), file);
  EXPECT_EQ(again[5]->message, "two\nlines");
  EXPECT_EQ(again[1]->program, "/usr/bin/logger");
  EXPECT_EQ(again[2]->sound, "/tmp/a b.wav");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Adl, ShortAndAlternativeSpellingsReadAsTheWrittenForm) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      // A threshold protocol alarm may leave out its limit: the defaults stand.
      {"Threshold protocol TELNET \"t\" on \"\" \"\"", "Threshold protocol TELNET low 0 kbytes \"t\" on  \"\" \"\"\n"},
      {"Threshold host ::10.0.0.1 high 5 pkts \"h\" off \"\" \"\"", "Threshold host 10.0.0.1 high 5 pkts \"h\" off  \"\" \"\"\n"},
      {"Threshold host 00:a0:c9:14:c8:2f low 5 kbytes \"h\" on \"\" \"\"", "Threshold host 00:A0:C9:14:C8:2F low 5 kbytes \"h\" on  \"\" \"\"\n"},
      {"Occurrence network \"gw\" \"m\" on \"\" \"\"", "Occurrence network \"gw\" \"m\" on  \"\" \"\"\n"},
      {"Occurrence\nhost/**/00:a0:c9:14:c8:2f\"h\"on\"\"\"\"", "Occurrence host 00:A0:C9:14:C8:2F \"h\" on  \"\" \"\"\n"},
  };
  for (const auto& [text, written] : cases) {
    alarm_list& list = load(text);
    ASSERT_EQ(list.size(), 1U) << text;
    EXPECT_EQ(alarm_to_text(*list[0]), written) << text;
  }
  EXPECT_TRUE(messages.empty());

  // The network occurrence form's host fills both slots with one reference.
  alarm_list& gw = load("Occurrence network \"gw\" \"m\" on \"\" \"\"");
  ASSERT_NE(gw[0]->host_a, nullptr);
  EXPECT_EQ(gw[0]->host_a, gw[0]->host_b);
  EXPECT_EQ(gw[0]->host_a->kind, HOSTC_BY_NAME);
  EXPECT_EQ(gw[0]->host_a->text, "gw");
  EXPECT_EQ(gw[0]->message, "m");
}

TEST_F(Adl, UrlAlarmsAreReadAndSkipped) {
  alarm_list& list = load(
      "Occurrence URL \"http://intranet/\" \"u\" on \"\" \"\"\n"
      "Occurrence network \"after\" on \"\" \"\"\n");
  ASSERT_EQ(list.size(), 1U);
  EXPECT_EQ(list[0]->message, "after");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Adl, EmptyAndCommentOnlyFilesGiveNoAlarmsAndNoMessage) {
  for (const char* text : {"", "  \n\r\n\t", "/* nothing\n here */\n/**/"}) {
    EXPECT_TRUE(load(text).empty()) << text;
  }
  EXPECT_TRUE(messages.empty());
}

struct error_case {
  const char* name;
  std::string text;
  int line;
  std::size_t alarms_kept;
};

const std::string GOOD = "Threshold network high 1 pkts \"good\" on \"\" \"\"\n";

TEST_F(Adl, SyntaxErrorsEndReadingWithTheirLineAndKeepTheAlarmsBefore) {
  const std::vector<error_case> cases = {
      {"unknown protocol", GOOD + "Occurrence protocol NO_SUCH \"p\" on \"\" \"\"\n" + GOOD, 2, 1},
      {"protocol name in lower case", GOOD + GOOD + "\nOccurrence protocol telnet \"p\" on \"\" \"\"", 4, 2},
      {"keyword in the wrong case", "threshold network high 1 pkts \"x\" on \"\" \"\"", 1, 0},
      {"truncated inside an alarm", GOOD + "Threshold host 10.0.0.1 high\n\n", 4, 1},
      {"truncated before the sound", GOOD + GOOD + "Occurrence network \"x\" on \"\"", 3, 2},
      {"unterminated string", GOOD + "Occurrence network \"never ends on\n\n", 2, 1},
      {"number beyond 32 bits", GOOD + "Threshold network high 4294967296 pkts \"x\" on \"\" \"\"", 2, 1},
      {"very long number", GOOD + "Threshold network high " + std::string(5000, '9') + " pkts \"x\" on \"\" \"\"", 2, 1},
      {"address octet above 255", GOOD + "Occurrence host 10.0.256.1 \"x\" on \"\" \"\"", 2, 1},
      {"hexadecimal byte as value", "Threshold network high 0x10 pkts \"x\" on \"\" \"\"", 1, 0},
      {"host name not quoted", "Occurrence host gateway \"x\" on \"\" \"\"", 1, 0},
      {"link with one host", "Occurrence link 10.0.0.1 \"x\" on \"\" \"\"", 1, 0},
      {"no state", "Occurrence network \"x\" \"\" \"\"", 1, 0},
      {"unit missing", "Threshold network high 1 \"x\" on \"\" \"\"", 1, 0},
      {"one colon before an address", "Occurrence host :10.0.0.1 \"x\" on \"\" \"\"", 1, 0},
      {"stray character", GOOD + "\n\n;", 4, 1},
      {"nul byte", GOOD + std::string("\0", 1), 2, 1},
  };
  for (const error_case& c : cases) {
    messages.clear();
    alarm_list& list = load(c.text);
    EXPECT_EQ(list.size(), c.alarms_kept) << c.name;
    ASSERT_EQ(messages.size(), 1U) << c.name;
    EXPECT_EQ(messages[0].text, "parse error на линии [" + std::to_string(c.line) + "]") << c.name;
    EXPECT_EQ(messages[0].caption, "Ошибка") << c.name;
    EXPECT_EQ(messages[0].icon, message_icon::none) << c.name;
    for (const auto& alarm : list) EXPECT_EQ(alarm->message, "good") << c.name;
  }
}

TEST_F(Adl, GarbageEndsInAtMostOneMessageAfterTheAlarmsReadSoFar) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    std::string text = GOOD;
    const int length = 1 + round * 7;
    for (int i = 0; i < length; ++i) text += static_cast<char>(byte(random));
    messages.clear();
    alarm_list& list = load(text);
    ASSERT_GE(list.size(), 1U);
    EXPECT_EQ(list[0]->message, "good");
    EXPECT_LE(messages.size(), 1U);
  }
}

TEST_F(Adl, AFileThatCannotBeReadLeavesTheListAsItWas) {
  alarm_list& list = load(GOOD);
  for (const std::string& bad : {path("missing.adl"), path("")}) {
    messages.clear();
    EXPECT_EQ(&adl_load(bad), &list);
    EXPECT_EQ(list.size(), 1U);
    ASSERT_EQ(messages.size(), 1U) << bad;
    EXPECT_EQ(messages[0].text, "Could not open " + bad + " for parsing");
    EXPECT_EQ(messages[0].caption, "Ошибка");
    EXPECT_EQ(messages[0].icon, message_icon::exclamation);
  }
}

TEST_F(Adl, AlarmsThatCannotBeWrittenAreLeftOutOfTheFile) {
  alarm_list list;
  auto add = [&list](std::int32_t subject, auto&& change) {
    auto a = alarm_new();
    a->subject = subject;
    a->message = "m";
    change(*a);
    list.push_back(std::move(a));
  };
  add(ALARM_HOST, [](alarm_def&) {});  // the editor's "(unresolved)"
  add(ALARM_LINK, [](alarm_def& a) { a.host_a = alarm_ref_ipv4(ip_of(10, 0, 0, 1)); });
  add(ALARM_NETWORK, [](alarm_def& a) { a.message = "say \"hi\""; });
  add(ALARM_NETWORK, [](alarm_def& a) {
    a.program = "\"/opt/my tool\" -x";
    a.program_enabled = 1;
  });
  add(ALARM_PROTOCOL, [](alarm_def&) {});
  add(ALARM_SUBJECT_NONE, [](alarm_def&) {});
  add(ALARM_HOST, [](alarm_def& a) { a.host_a = alarm_ref_name("with \"quote\""); });
  for (const auto& alarm : list) EXPECT_EQ(alarm_to_text(*alarm), "") << alarm->subject;

  // What can be written is: a disabled program is no program, a new alarm is off and low.
  add(ALARM_NETWORK, [](alarm_def& a) {
    a.program = "\"/opt/my tool\"";
    a.program_enabled = 0;
    a.type = ALARM_THRESHOLD;
  });
  ASSERT_EQ(adl_save(path("alarm.adl"), list), 1);
  EXPECT_EQ(read_file(path("alarm.adl")), "Threshold network low 0 kbytes \"m\" off  \"\" \"\"\n");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Adl, AFailedSaveSaysSoAndLeavesNoPartialFile) {
  const alarm_list& list = load(GOOD);
  std::filesystem::create_directory(path("folder"));
  for (const std::string& target : {path("no/such/dir/alarm.adl"), path("folder")}) {
    messages.clear();
    EXPECT_EQ(adl_save(target, list), -1) << target;
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "Could not save file " + target + " for parsing");
    EXPECT_EQ(messages[0].caption, "Ошибка");
    EXPECT_EQ(messages[0].icon, message_icon::exclamation);
  }
  EXPECT_TRUE(std::filesystem::is_directory(path("folder")));
  EXPECT_FALSE(std::filesystem::exists(path("folder.partial")));
}

TEST_F(Adl, HostsInTheCacheAreTakenAtOnceAndOthersWhenResolved) {
  dns["srv"] = "10.0.0.9";
  start_resolver();
  // 10.0.0.1 is cached before the file is read.
  ASSERT_EQ(hostc_request_text("10.0.0.1", nullptr), 1);
  drain_resolver();
  const hostc_entry* cached = hostc_find_ip(ip_of(10, 0, 0, 1));
  ASSERT_NE(cached, nullptr);

  alarm_list& list = load(
      "Occurrence host ::10.0.0.1 \"cached\" on \"\" \"\"\n"
      "Occurrence link 00:a0:c9:14:c8:29 \"srv\" \"later\" on \"\" \"\"\n"
      "Occurrence host \"nobody\" \"never\" on \"\" \"\"\n");
  ASSERT_EQ(list.size(), 3U);
  EXPECT_EQ(alarm_ref_entry(list[0]->host_a), cached);  // before any callback could run

  drain_resolver();
  const hostc_entry* hw = alarm_ref_entry(list[1]->host_a);
  const hostc_entry* srv = alarm_ref_entry(list[1]->host_b);
  ASSERT_NE(hw, nullptr);
  ASSERT_NE(srv, nullptr);
  EXPECT_EQ(hw, hostc_find_mac(mac_of(0x29)));
  EXPECT_EQ(srv, hostc_find_name("srv"));
  EXPECT_EQ(alarm_ref_entry(list[2]->host_a), nullptr);

  // Resolved hosts are written by their address; an unresolved one as it was read, so that a
  // save while the name service is away loses no alarm.
  EXPECT_EQ(texts(list),
            "Occurrence host 10.0.0.1 \"cached\" on  \"\" \"\"\n"
            "Occurrence link 00:A0:C9:14:C8:29 10.0.0.9 \"later\" on  \"\" \"\"\n"
            "Occurrence host \"nobody\" \"never\" on  \"\" \"\"\n");
}

TEST_F(Adl, AResolutionReachesItsReferenceEvenAfterTheAlarmIsGone) {
  // Without the cache running nothing can be requested.
  EXPECT_EQ(alarm_ref_resolve(alarm_ref_name("srv")), -1);
  dns["srv"] = "10.0.0.9";
  start_resolver();
  std::promise<const hostc_entry*> answered;
  const alarm_host srv = alarm_ref_name("srv");
  ASSERT_EQ(alarm_ref_resolve(srv, [&] { answered.set_value(alarm_ref_entry(srv)); }), 0);
  auto entry = answered.get_future();
  ASSERT_EQ(entry.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(entry.get(), hostc_find_name("srv"));  // stored before the editor hears of it
  EXPECT_EQ(alarm_ref_resolve(srv), 1);

  alarm_host ref = load("Occurrence host 10.9.9.9 \"gone\" on \"\" \"\"\n")[0]->host_a;
  alarm_init();  // frees the alarm, perhaps before the resolver answers
  drain_resolver();
  EXPECT_EQ(alarm_ref_entry(ref), hostc_find_ip(ip_of(10, 9, 9, 9)));
}

TEST_F(Adl, TheShippedAlarmFileLoadsQuietlyWithEveryAlarmOff) {
  alarm_list& list = adl_load(source_file("data/alarm.adl"));
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(list.size(), 4U);
  std::vector<std::int32_t> subjects;
  for (const auto& alarm : list) {
    EXPECT_EQ(alarm->state, ALARM_OFF) << alarm->message;
    EXPECT_FALSE(alarm_to_text(*alarm).empty()) << alarm->message;
    subjects.push_back(alarm->subject);
  }
  EXPECT_EQ(subjects, (std::vector{ALARM_HOST, ALARM_LINK, ALARM_NETWORK, ALARM_PROTOCOL}));
  EXPECT_EQ(list[3]->type, ALARM_OCCURRENCE);
  const std::string written = texts(list);
  EXPECT_EQ(texts(load(written)), written);
}

}  // namespace
}  // namespace nw::test

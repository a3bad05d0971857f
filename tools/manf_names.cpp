#include "tools/manf_names.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <map>
#include <string_view>
#include <unordered_set>

namespace nw::manf {
namespace {

bool is_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
char to_lower(char c) { return is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
char to_upper(char c) { return is_lower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// ---- UTF-8 to ASCII ----------------------------------------------------------------------

// U+00C0..U+00FF and U+0100..U+017F by their base letters; '*' marks the few that take two.
constexpr std::string_view LATIN_1 =
    "AAAAAA*CEEEEIIIIDNOOOOO OUUUUY**"
    "aaaaaa*ceeeeiiiidnooooo ouuuuy*y";
constexpr std::string_view LATIN_EXTENDED_A =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi**JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo**RrRrRr"
    "SsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(LATIN_1.size() == 0x40);
static_assert(LATIN_EXTENDED_A.size() == 0x80);

std::string_view two_letter_form(char32_t cp) {
  switch (cp) {
    case 0xC6: return "AE";
    case 0xDE: return "TH";
    case 0xDF: return "ss";
    case 0xE6: return "ae";
    case 0xFE: return "th";
    case 0x132: return "IJ";
    case 0x133: return "ij";
    case 0x152: return "OE";
    case 0x153: return "oe";
    default: return " ";
  }
}

// What a code point becomes in a name. Letters with diacritics keep their base letter, wide and
// typographic punctuation its plain form; scripts we cannot spell in ASCII turn into a blank, so
// a bilingual name such as "<Chinese> (Hangzhou Delan Technology Co., Ltd)" keeps its Latin part.
std::string ascii_form(char32_t cp) {
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  if (cp == 0xB5) return "u";  // micro sign, as in "uController"
  if (cp >= 0xC0 && cp < 0x180) {
    const char c = cp < 0x100 ? LATIN_1[cp - 0xC0] : LATIN_EXTENDED_A[cp - 0x100];
    return c == '*' ? std::string(two_letter_form(cp)) : std::string(1, c);
  }
  if (cp >= 0x300 && cp < 0x370) return "";  // combining accents of decomposed letters
  if (cp == 0x200B || cp == 0x200C || cp == 0x200D || cp == 0x2060 || cp == 0xFEFF) return "";
  if (cp >= 0x2010 && cp <= 0x2015) return "-";
  if (cp >= 0x2018 && cp <= 0x201B) return "'";
  if (cp >= 0x201C && cp <= 0x201F) return "\"";
  if (cp >= 0xFF01 && cp <= 0xFF5E) return std::string(1, static_cast<char>(cp - 0xFEE0));
  return " ";
}

// Malformed sequences become blanks rather than failing: the name only loses a character.
std::string to_ascii(std::string_view utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    char32_t cp = length == 1   ? lead
                  : length == 2 ? lead & 0x1FU
                  : length == 3 ? lead & 0x0FU
                                : lead & 0x07U;
    bool valid = length != 0 && i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next >> 6) == 0x2;
      cp = cp << 6 | (next & 0x3FU);
    }
    if (!valid) {
      out += ' ';
      ++i;
      continue;
    }
    out += ascii_form(cp);
    i += length;
  }
  return out;
}

// A few registrations went through an HTML form and kept its escapes ("R&amp;M AG").
std::string decode_entities(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 6> entities{
      {{"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&#39;", '\''},
       {"&lt;", '<'}, {"&gt;", '>'}}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto entity = std::find_if(entities.begin(), entities.end(), [&](const auto& e) {
      return text.substr(i).starts_with(e.first);
    });
    if (entity != entities.end()) {
      out += entity->second;
      i += entity->first.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// ---- Words -------------------------------------------------------------------------------

bool opens(char c) { return c == '(' || c == '[' || c == '{'; }
bool closes(char c) { return c == ')' || c == ']' || c == '}'; }

// Bracketed parts are places, former names or remarks: "Best IT World (India)", "(dba AND)".
// When nothing else is left, the bracketed text is the name.
std::string drop_brackets(const std::string& text) {
  std::string out;
  int depth = 0;
  for (const char c : text) {
    if (opens(c)) {
      ++depth;
      out += ' ';
    } else if (closes(c)) {
      depth = std::max(depth - 1, 0);
      out += ' ';
    } else if (depth == 0) {
      out += c;
    }
  }
  if (std::any_of(out.begin(), out.end(), is_alnum)) return out;
  std::string unwrapped = text;
  std::replace_if(
      unwrapped.begin(), unwrapped.end(), [](char c) { return opens(c) || closes(c); }, ' ');
  return unwrapped;
}

// "Aruba, a Hewlett Packard Enterprise Company" names its owner after the comma.
std::string drop_apposition(std::string text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), to_lower);
  for (const std::string_view marker : {", a ", ", an "}) {
    if (const std::size_t at = lower.find(marker); at != std::string::npos) {
      text.resize(at);
      lower.resize(at);
    }
  }
  return text;
}

// Characters that may stay inside a word; everything else separates words. A colon cannot stand
// in a name and becomes a hyphen ("e:cue" -> "e-cue").
bool is_word_char(char c) {
  return is_alnum(c) || c == '.' || c == '-' || c == '&' || c == '+' || c == '\'' || c == '/' ||
         c == '@' || c == ':';
}

bool is_connector(std::string_view word) { return word == "&" || word == "+"; }

// Edge punctuation goes ("@Track" -> "Track", "Ind." -> "Ind"), except the final dot of a dotted
// abbreviation ("U.S.A.").
std::string trim_word(std::string word) {
  std::replace(word.begin(), word.end(), ':', '-');
  const auto first = std::find_if(word.begin(), word.end(), is_alnum);
  const auto last = std::find_if(word.rbegin(), word.rend(), is_alnum).base();
  if (first >= last) return "";
  std::string core(first, last);
  if (last != word.end() && *last == '.' && core.find('.') != std::string::npos) core += '.';
  return core;
}

std::vector<std::string_view> split_at(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A slash joins two names ("Harman/Becker", "ABB Inc./Tropos") unless it sits inside an
// abbreviation ("I/O", "A/S", "EAB/RWI/K").
bool slash_separates(std::string_view word) {
  const auto parts = split_at(word, '/');
  return parts.size() > 1 &&
         std::any_of(parts.begin(), parts.end(), [](auto p) { return p.size() > 3; });
}

std::vector<std::string> split_words(const std::string& text) {
  std::vector<std::string> words;
  auto add = [&](std::string word) {
    if (is_connector(word)) {
      words.push_back(std::move(word));
    } else if (std::string trimmed = trim_word(std::move(word)); !trimmed.empty()) {
      words.push_back(std::move(trimmed));
    }
  };
  std::string word;
  auto flush = [&] {
    if (slash_separates(word)) {
      for (const auto part : split_at(word, '/')) add(std::string(part));
    } else {
      add(word);
    }
    word.clear();
  };
  for (const char c : text) {
    if (is_word_char(c)) {
      word += c;
    } else {
      flush();
    }
  }
  flush();
  return words;
}

// ---- Word classes ------------------------------------------------------------------------

// Lower case without dots, so "S.p.A.", "SpA" and "SPA" compare alike.
std::string key_of(std::string_view word) {
  std::string key;
  for (const char c : word) {
    if (c != '.') key += to_lower(c);
  }
  return key;
}

using word_set = std::unordered_set<std::string_view>;

// Legal forms of companies and partnerships, in the spellings the registry uses.
const word_set& legal_forms() {
  static const word_set forms{
      // English-speaking countries and most of Asia
      "inc", "incorporated", "incorporation", "corp", "corporation", "co", "cos", "company",
      "ltd", "limited", "llc", "llp", "lp", "plc", "pty", "p/l", "pte", "pvt", "sdn", "bhd",
      "berhad", "tbk", "kk", "kabushiki", "coltd", "ltdco", "colimited", "corpltd",
      // German-speaking countries
      "gmbh", "mbh", "gesmbh", "ag", "kg", "kgaa", "ohg", "ug", "gbr", "ev", "se",
      // Romance languages
      "sa", "s/a", "sas", "sarl", "snc", "eurl", "sca", "spa", "srl", "srls", "sapa", "scarl",
      "sl", "slu", "sau", "sac", "saic", "saci", "sae", "sapi", "ca", "ltda", "lda", "cia",
      "eireli",
      // the Low Countries and the Nordic countries
      "bv", "nv", "vof", "bvba", "cvba", "ab", "a/b", "aps", "as", "a/s", "asa", "oy", "oyj",
      "hf", "ehf",
      // Central and Eastern Europe, Turkey
      "sro", "spol", "sp", "spzoo", "zoo", "doo", "dd", "kft", "zrt", "nyrt", "ead", "eood",
      "ood", "zspo", "ooo", "zao", "oao", "pao", "ao", "jsc", "cjsc", "ojsc", "pjsc", "tov", "sti"};
  return forms;
}

// Legal forms that some countries write before the name ("UAB Teltonika", "PT Hartono").
const word_set& leading_forms() {
  static const word_set forms{"llc", "jsc", "cjsc", "ojsc", "pjsc", "ooo", "zao", "oao", "pao",
                              "ao", "uab", "sia", "pt", "cv", "tov", "ud", "a/s", "the",
                              // titles of a founder named in the firm's name
                              "dr", "ing", "dring", "hc", "prof", "dipl", "dipl-ing", "dipl-math"};
  return forms;
}

// Words that say what kind of business it is rather than which one; a name ending in them reads
// as well without them ("Cisco Systems" -> "Cisco").
const word_set& generic_words() {
  static const word_set words{
      "system", "systems", "technology", "technologies", "technologie", "technologia",
      "tecnologia", "tecnologias", "technik", "techniek", "tech", "hi-tech", "hitech",
      "high-tech", "sci-tech", "scitech", "s&t", "science", "sciences", "electronic",
      "electronics", "elektronik", "electronica", "electronique", "communication",
      "communications", "telecommunication", "telecommunications", "network", "networks",
      "group", "groupe", "gruppe", "holding", "holdings", "international", "intl", "int'l",
      "industry", "industries", "industrial", "enterprise", "enterprises", "solutions",
      "corporate", "private", "manufacturing", "manufacturer", "mfg", "trading", "development",
      "products", "information"};
  return words;
}

// Words that tell too little on their own: "Intelligent Systems" keeps its second word, and a
// city in front gives way to the maker when both do not fit ("Shenzhen Haitianxiong").
const word_set& vague_words() {
  static const word_set words{
      "advanced",      "allied",   "american",    "application", "applied",    "computer",
      "control",       "creative", "data",        "digital",     "dynamic",    "electronic",
      "general",       "global",   "information", "innovative",  "integrated", "intelligent",
      "international", "micro",    "mobile",      "national",    "network",    "new",
      "open",          "power",    "precision",   "signal",      "silicon",    "smart",
      "universal",     "wireless"};
  return words;
}

// The cities and provinces that begin most registrations from mainland China.
const word_set& places() {
  static const word_set words{
      "anhui",     "beijing",     "changsha", "changzhou", "chengdu",   "china",     "chongqing",
      "dalian",    "dongguan",    "foshan",   "fujian",    "fuzhou",    "guangdong", "guangxi",
      "guangzhou", "hangzhou",    "hebei",    "hefei",     "henan",     "hubei",     "huizhou",
      "hunan",     "jiangsu",     "jiangxi",  "jiaxing",   "jinan",     "kunshan",   "nanjing",
      "ningbo",    "qingdao",     "shaanxi",  "shandong",  "shanghai",  "shantou",   "shenyang",
      "shenzhen",  "shenzhenshi", "sichuan",  "suzhou",    "taizhou",   "tianjin",   "wenzhou",
      "wuhan",     "wuxi",        "xiamen",   "zhejiang",  "zhengzhou", "zhongshan", "zhuhai"};
  return words;
}

// Words that cannot end a name.
const word_set& joining_words() {
  static const word_set words{"&",   "+",   "of",  "and", "the", "for",   "with", "a",  "an", "at",
                              "in",  "de",  "du",  "des", "del", "della", "di",   "da", "do", "dos",
                              "das", "la",  "le",  "les", "el",  "y",     "e",    "em", "et", "und",
                              "u",   "van", "von", "der", "den", "zu",    "zur",  "zum", "fur"};
  return words;
}

bool in(const word_set& set, std::string_view word) { return set.contains(key_of(word)); }
bool is_weak(std::string_view word) { return in(joining_words(), word); }

bool glues(char c) { return c == '.' || c == '&' || c == '+'; }

// Also legal forms written as one word: "Co.,Ltd" arrives as "Co." and "Ltd", but "CO.LTD",
// "Co.KG", "NV/SA" and "GmbH&Co.KG" arrive whole.
bool is_legal_form(std::string_view word) {
  if (in(legal_forms(), word)) return true;
  bool any = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= word.size(); ++i) {
    if (i < word.size() && !glues(word[i]) && word[i] != '/') continue;
    if (i > start) {
      if (!in(legal_forms(), word.substr(start, i - start))) return false;
      any = true;
    }
    start = i + 1;
  }
  return any;
}

// The length of a word without the legal forms glued to its end ("Avantis.Co.", "ACT.CO.LTD",
// "Leipold+Co.GmbH"); the whole length when there are none.
std::size_t before_glued_form(std::string_view word) {
  std::size_t end = word.size();
  while (end > 0 && word[end - 1] == '.') --end;
  std::size_t kept = word.size();
  for (std::size_t start = end; start > 0; --start) {
    if (!glues(word[start - 1])) continue;
    const std::string_view part = word.substr(start, end - start);
    if (part.size() < 2 || !in(legal_forms(), part)) break;
    if (start < 3 || glues(word[start - 3])) break;  // "R.I.CO." is a name, not "R.I" and Co.
    kept = end = start - 1;
    while (end > 0 && word[end - 1] == '.') --end;
    start = end + 1;
  }
  return kept == 0 ? word.size() : kept;
}

// Also legal forms spelt out in single letters: "B. V.", "S. p. A.".
bool legal_form_at(const std::vector<std::string>& words, std::size_t at) {
  if (is_legal_form(words[at])) return true;
  std::string letters;
  for (std::size_t i = at; i < words.size() && i < at + 3 && key_of(words[i]).size() == 1; ++i) {
    letters += words[i];
    if (letters.size() > 1 && in(legal_forms(), letters)) return true;
  }
  return false;
}

// Everything from the first legal form on is the legal form and what follows it ("Wachter GmbH
// Sicherheitssysteme", "Sony Corporation of America"); a legal form in front goes too. The first
// word stays whatever it is, so "Private" and "Inc." still name something.
void keep_name_proper(std::vector<std::string>& words) {
  while (words.size() > 1 && in(leading_forms(), words.front())) words.erase(words.begin());
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0 && legal_form_at(words, i)) {
      words.resize(i);
      return;
    }
    if (const std::size_t kept = before_glued_form(words[i]); kept < words[i].size()) {
      words[i].resize(kept);
      words.resize(i + 1);
      return;
    }
  }
}

// Joining words never end a name; generic words go from the end too, unless only a vague word
// or a short acronym would be left ("LG Electronics" stays).
void drop_weak_tail(std::vector<std::string>& words, bool generic_too) {
  auto has_strong_word = [&](std::size_t count) {
    return std::any_of(words.begin(), std::next(words.begin(), static_cast<std::ptrdiff_t>(count)),
                       [](const std::string& w) { return !is_weak(w); });
  };
  while (words.size() > 1 && has_strong_word(words.size() - 1)) {
    const bool vague_rest =
        words.size() == 2 &&
        (words[0].size() <= 3 || in(vague_words(), words[0]) || in(places(), words[0]));
    if (!is_weak(words.back()) &&
        !(generic_too && !vague_rest && in(generic_words(), words.back())))
      return;
    words.pop_back();
  }
}

// ---- Case --------------------------------------------------------------------------------

// A name registered all in capitals ("NETWORK RESEARCH CORPORATION") reads better in mixed
// case. Short words stay as they are, being mostly acronyms ("NEC", "TP" of "TP-LINK"), and so do a
// name's first word of four letters ("SAIC", "JDSU") and words without a vowel ("CCPBG").
bool shouted(const std::vector<std::string>& words) {
  bool upper = false;
  for (const auto& w : words) {
    if (is_legal_form(w)) continue;  // "SHENZHEN XYZ Co.,LTD" shouts all the same
    if (std::any_of(w.begin(), w.end(), is_lower)) return false;
    upper = upper || std::any_of(w.begin(), w.end(), is_upper);
  }
  return upper;
}

void make_readable(std::vector<std::string>& words) {
  for (std::size_t n = 0; n < words.size(); ++n) {
    std::string& word = words[n];
    if (n > 0 && is_weak(word)) {
      std::transform(word.begin(), word.end(), word.begin(), to_lower);
      continue;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= word.size(); ++i) {
      if (i < word.size() && is_alnum(word[i])) continue;
      const auto from = std::next(word.begin(), static_cast<std::ptrdiff_t>(start));
      const auto to = std::next(word.begin(), static_cast<std::ptrdiff_t>(i));
      const std::size_t shortest = n == 0 && start == 0 ? 5 : 4;
      const bool spoken = std::any_of(from, to, [](char c) {
        return std::string_view("AEIOUY").find(c) != std::string_view::npos;
      });
      if (i - start >= shortest && spoken && std::all_of(from, to, is_upper)) {
        std::transform(std::next(from), to, std::next(from), to_lower);
      }
      start = i + 1;
    }
  }
}

// ---- Fitting -----------------------------------------------------------------------------

// Words joined by '-', or by a bare '&' or '+' where the name has one ("Black&Decker").
std::string join(const std::vector<std::string>& words, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    const bool glued = is_connector(words[i]) || (i > 0 && is_connector(words[i - 1]));
    if (i > 0 && !glued) out += '-';
    out += words[i];
  }
  return out;
}

// A word too long for a name, cut where a word run together in camel case begins if there is
// such a place ("InnosiliconTechnology" -> "Innosilicon"), else at the limit.
std::string cut_word(const std::string& word) {
  std::size_t cut = MAX_NAME_LENGTH;
  for (std::size_t i = MAX_NAME_LENGTH; i >= 4; --i) {
    if (is_lower(word[i - 1]) && is_upper(word[i])) {
      cut = i;
      break;
    }
  }
  std::string first = word.substr(0, cut);
  while (!first.empty() && !is_alnum(first.back())) first.pop_back();
  return first;
}

std::size_t words_that_fit(const std::vector<std::string>& words) {
  std::size_t count = 0;
  while (count < words.size() && join(words, count + 1).size() <= MAX_NAME_LENGTH) ++count;
  return count;
}

// The longest run of whole words from the front that fits. A city in front gives way when only
// it would fit, and a vague word that alone would fit gives way to the initials ("International
// Business Machines" -> "IBM"). Only a first word that alone is too long gets cut.
std::string fit(std::vector<std::string> words) {
  std::size_t count = words_that_fit(words);
  if (count == 1 && words.size() > 1 && in(places(), words[0])) {
    words.erase(words.begin());
    count = words_that_fit(words);
  }
  if (count == 1 && words.size() >= 3 && in(vague_words(), words[0])) {
    std::string initials;
    for (const auto& w : words) {
      if (!is_weak(w)) initials += to_upper(w[0]);
    }
    if (initials.size() <= MAX_NAME_LENGTH) return initials;
  }
  if (count > 0 && count < words.size() &&
      std::all_of(words.begin(), std::next(words.begin(), static_cast<std::ptrdiff_t>(count)),
                  is_weak)) {
    words.erase(words.begin(), std::next(words.begin(), static_cast<std::ptrdiff_t>(count)));
    count = words_that_fit(words);
  }
  if (count == 0) return cut_word(words.front());
  words.resize(count);
  drop_weak_tail(words, false);
  return join(words, words.size());
}

// ---- CSV ---------------------------------------------------------------------------------

// One record of RFC 4180 CSV; false at the end of the input.
bool read_record(std::istream& in, std::vector<std::string>& fields) {
  fields.clear();
  if (in.peek() == std::char_traits<char>::eof()) return false;
  std::string field;
  bool quoted = false;
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    const char ch = static_cast<char>(c);
    if (quoted) {
      if (ch != '"') {
        field += ch;
      } else if (in.peek() == '"') {
        field += static_cast<char>(in.get());
      } else {
        quoted = false;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (ch == '\n') {
      break;
    } else if (ch != '\r') {
      field += ch;
    }
  }
  fields.push_back(std::move(field));
  return true;
}

bool parse_prefix(std::string_view hex, std::uint32_t& prefix) {
  if (hex.size() != 6) return false;
  prefix = 0;
  for (const char c : hex) {
    const char u = to_upper(c);
    const int digit = (u >= '0' && u <= '9') ? u - '0' : (u >= 'A' && u <= 'F') ? u - 'A' + 10 : -1;
    if (digit < 0) return false;
    prefix = prefix << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

}  // namespace

std::string maker_name(std::string_view organization) {
  std::vector<std::string> words =
      split_words(drop_brackets(drop_apposition(decode_entities(to_ascii(organization)))));
  if (words.empty()) return "";
  const bool readable = shouted(words);
  keep_name_proper(words);
  drop_weak_tail(words, true);
  if (readable) make_readable(words);
  return fit(std::move(words));
}

std::vector<assignment> read_registry_csv(std::istream& in) {
  std::vector<assignment> rows;
  std::vector<std::string> fields;
  while (read_record(in, fields)) {
    assignment row;
    if (fields.size() < 3 || fields[0] != "MA-L" || !parse_prefix(fields[1], row.prefix)) continue;
    row.organization = std::move(fields[2]);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> manf_lines(const std::vector<assignment>& assignments) {
  std::map<std::uint32_t, std::string> names;
  for (const auto& a : assignments) names.try_emplace(a.prefix, maker_name(a.organization));
  std::vector<std::string> lines;
  lines.reserve(names.size());
  for (const auto& [prefix, name] : names) {
    if (name.empty()) continue;
    char address[24];
    std::snprintf(address, sizeof address, "%02X:%02X:%02X:00:00:00 ", prefix >> 16 & 0xFFU,
                  prefix >> 8 & 0xFFU, prefix & 0xFFU);
    lines.push_back(address + name);
  }
  return lines;
}

}  // namespace nw::manf

// The numbered text table and the cache that serves it.
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include "core/str_cache.h"
#include "core/str_table.h"

namespace nw {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1Fu, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0Fu, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07u, min = 0x10000;
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;  // sequence cut short by the end of the text
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

TEST(StrTable, WellFormed) {
  const auto table = str_table();
  ASSERT_FALSE(table.empty());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const str_entry& e = table[i];
    SCOPED_TRACE(e.number);
    if (i > 0) {
      EXPECT_LT(table[i - 1].number, e.number) << "not strictly ascending";
    }
    EXPECT_NE(e.number, 0u);  // 0 means "no text" to str_get
    ASSERT_NE(e.text, nullptr);
    const std::string_view text(e.text);
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), STR_MAX_LENGTH);
    EXPECT_TRUE(valid_utf8(text));
    EXPECT_EQ(text.find("\\n"), std::string_view::npos) << "line break left as an escape";
  }
}

TEST(StrTable, ExactTexts) {
  EXPECT_STREQ(str_get(50000), "Nodewren");
  EXPECT_STREQ(str_get(50008), "Ошибка");
  EXPECT_STREQ(str_get(50010), "Внимание");
  EXPECT_STREQ(str_get(50040), "Could not open %s for parsing");
  EXPECT_STREQ(str_get(50046),
               "Invalid PDL file.\nPlease obtain original protocol.pdl\nfile from distribution media.");
  EXPECT_STREQ(str_get(50586), "OPEN %s");
  // List titles swap one suffix for the other by cutting 19 characters off the end.
  EXPECT_EQ(std::strlen(str_get(50132)), 19u);
  EXPECT_STREQ(str_get(50134), " next update: %02d:%02d");
}

TEST(StrCache, EveryEntryIsFoundByNumber) {
  str_cache_reset();
  for (const str_entry& e : str_table()) {
    const char* got = str_get(e.number);
    ASSERT_NE(got, nullptr) << e.number;
    EXPECT_STREQ(got, e.text) << e.number;
  }
}

TEST(StrCache, MissingNumbersGiveNothing) {
  EXPECT_EQ(str_get(0), nullptr);
  EXPECT_EQ(str_get(1), nullptr);      // below the first entry
  EXPECT_EQ(str_get(50001), nullptr);  // between two entries
  EXPECT_EQ(str_get(0xFFFFFFFFu), nullptr);
}

TEST(StrCache, KeepsOneCopyUntilReset) {
  str_cache_reset();
  const char* first = str_get(50008);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(str_get(50008), first);  // served from the cache, not loaded again
  str_cache_reset();
  EXPECT_STREQ(str_get(50008), "Ошибка");
}

}  // namespace
}  // namespace nw

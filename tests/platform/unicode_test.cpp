// The Unicode operations behind note-state lower-casing and debug escaping:
// through ICU, and the fallbacks used when ICU cannot be loaded.
#include "platform/unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/icu_functions.h"
#include "support/unicode_library.h"

namespace norvane::platform {
namespace {

TEST(Unicode, GeneralCategoryComesFromIcu) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(general_category(U'A'), U_UPPERCASE_LETTER);
  EXPECT_EQ(general_category(U'\u00E4'), U_LOWERCASE_LETTER);
  EXPECT_EQ(general_category(U'\u0085'), U_CONTROL_CHAR);
  EXPECT_EQ(general_category(U'\u200B'), U_FORMAT_CHAR);
  EXPECT_EQ(general_category(U'\u00A0'), U_SPACE_SEPARATOR);
  EXPECT_EQ(general_category(U'\u2028'), U_LINE_SEPARATOR);
  EXPECT_EQ(general_category(U'\uE000'), U_PRIVATE_USE_CHAR);
  EXPECT_EQ(general_category(U'\u0378'), U_UNASSIGNED);
  EXPECT_EQ(general_category(U'\U0001F600'), U_OTHER_SYMBOL);
}

TEST(Unicode, LowerCasingIsFullAndLanguageNeutral) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(to_lower_full("ÄRCHIVED"), "ärchived");
  EXPECT_EQ(to_lower_full("ΑΡΧΕΊΟ"), "αρχείο");
  // The root locale: no Turkish dotless i, and İ keeps its dot as U+0307.
  EXPECT_EQ(to_lower_full("I"), "i");
  EXPECT_EQ(to_lower_full("İ"), "i\u0307");
  EXPECT_EQ(to_lower_full(""), "");
}

TEST(Unicode, LowerCasingGrowsPastTheFirstGuess) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  // Each İ (2 bytes, 1 UTF-16 unit) becomes 2 units and 3 bytes.
  std::string upper;
  std::string lower;
  for (int i = 0; i < 50; ++i) upper += "İ", lower += "i\u0307";
  EXPECT_EQ(to_lower_full(upper), lower);
}

TEST(Unicode, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(to_lower_full("A\xFF"
                          "B"),
            "a\uFFFDb");
  EXPECT_EQ(to_lower_full("\xC3"), "\uFFFD");
  EXPECT_EQ(to_lower_full("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");
}

#ifndef _WIN32
TEST(Unicode, WithoutIcuEveryCharacterCountsAsPrintable) {
  EXPECT_EQ(icu::general_category(nullptr, U'\u200B'), U_OTHER_SYMBOL);
  EXPECT_EQ(icu::general_category(nullptr, U'\u0378'), U_OTHER_SYMBOL);
}

TEST(Unicode, WithoutIcuOnlyAsciiLettersAreLowerCased) {
  EXPECT_EQ(icu::to_lower_full(nullptr, "ÄRCHIVED"), "Ärchived");
  EXPECT_EQ(icu::to_lower_full(nullptr,
                               "A\xFF"
                               "B"),
            "a\xFF"
            "b");
  EXPECT_EQ(icu::to_lower_full(nullptr, ""), "");
}
#else
// Without icu.dll (Windows before 10 version 1903, and Wine) the system's NLS
// tables answer: for every class that debug quoting escapes the answer must
// be ICU's, and a printable character must not fall into one of them.
TEST(Unicode, WithoutIcuWindowsTellsTheNonPrintingClassesAsIcuDoes) {
  const auto escaped = [](std::int8_t category) {
    switch (category) {
      case U_CONTROL_CHAR:
      case U_FORMAT_CHAR:
      case U_SURROGATE:
      case U_PRIVATE_USE_CHAR:
      case U_UNASSIGNED:
      case U_LINE_SEPARATOR:
      case U_PARAGRAPH_SEPARATOR:
      case U_SPACE_SEPARATOR:
        return true;
      default:
        return false;
    }
  };
  const std::pair<char32_t, std::int8_t> non_printing[] = {
      {U'\u0085', U_CONTROL_CHAR},         {U'\u009F', U_CONTROL_CHAR},
      {U'\u00AD', U_FORMAT_CHAR},          {U'\u061C', U_FORMAT_CHAR},
      {U'\u200B', U_FORMAT_CHAR},          {U'\u202E', U_FORMAT_CHAR},
      {U'\uFEFF', U_FORMAT_CHAR},          {U'\U000E0041', U_FORMAT_CHAR},
      {U'\U0001D173', U_FORMAT_CHAR},      {U'\u00A0', U_SPACE_SEPARATOR},
      {U'\u3000', U_SPACE_SEPARATOR},      {U'\u2028', U_LINE_SEPARATOR},
      {U'\u2029', U_PARAGRAPH_SEPARATOR},  {U'\uE000', U_PRIVATE_USE_CHAR},
      {U'\U00100000', U_PRIVATE_USE_CHAR}, {U'\u0378', U_UNASSIGNED},
      {U'\uFDD0', U_UNASSIGNED},           {U'\uFFFF', U_UNASSIGNED},
      {U'\U0001FFFE', U_UNASSIGNED},       {U'\U00050000', U_UNASSIGNED},
  };
  for (const auto& [c, category] : non_printing) {
    EXPECT_EQ(icu::general_category(nullptr, c), category) << std::hex << std::uint32_t{c};
    EXPECT_EQ(general_category(c), category);
  }
  for (const char32_t c :
       {U'\u00E4', U'\u0301', U'\u20AC', U'\uFFFD', U'\U0001F600', U'\U000E0100'}) {
    EXPECT_FALSE(escaped(icu::general_category(nullptr, c))) << std::hex << std::uint32_t{c};
  }
}

TEST(Unicode, WithoutIcuWindowsLowerCasesAsTheRootLocale) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"ÄRCHIVED", "ärchived"},
      {"ΑΡΧΕΊΟ", "αρχείο"},
      // The full mapping of İ, which the system's simple one lacks.
      {"İ", "i\u0307"},
      {"AİB", "ai\u0307b"},
      // Final sigma: at the end of a word, also before a mark and a full
      // stop; not alone, and not inside a word, an apostrophe there or not.
      {"ΟΔΟΣ ΣΟΦΟΣ", "οδο\u03C2 \u03C3οφο\u03C2"},
      {"ΟΔΟΣ\u0301.", "οδο\u03C2\u0301."},
      {"Σ", "\u03C3"},
      {"ΑΣ'Α", "α\u03C3'α"},
      {"A\xFF"
       "B\xED\xA0\x80",
       "a\uFFFDb\uFFFD\uFFFD\uFFFD"},
      {"", ""},
  };
  for (const auto& [text, lower] : cases) {
    EXPECT_EQ(icu::to_lower_full(nullptr, text), lower) << text;
    EXPECT_EQ(to_lower_full(text), lower) << text;
  }
}
#endif

}  // namespace
}  // namespace norvane::platform

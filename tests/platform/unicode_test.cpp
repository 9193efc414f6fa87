// The Unicode operations behind note-state lower-casing and debug escaping:
// through ICU, and the fallbacks used when ICU cannot be loaded.
#include "platform/unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <string>

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

}  // namespace
}  // namespace norvane::platform

// The Unicode operations behind note-state lower-casing and debug escaping:
// through ICU, and the fallbacks used when ICU cannot be loaded.
#include "platform/unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/icu_functions.h"
#include "support/unicode_library.h"

namespace norvane::platform {
namespace {

// The ways the operations find their answers: ICU where it can be loaded,
// and on Windows also the system's NLS tables, which answer where icu.dll is
// missing (Windows before 10 version 1903) and must give ICU's answers for
// every case here.
struct Path {
  const char* name;
  const icu::Functions* functions;
};

std::vector<Path> paths() {
  std::vector<Path> out;
  if (const icu::Functions* loaded = icu::functions()) out.push_back({"ICU", loaded});
#ifdef _WIN32
  out.push_back({"system NLS tables", nullptr});
#endif
  return out;
}

TEST(Unicode, NonPrintingCharactersGetIcusCategoryAndPrintableOnesNone) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
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
  const char32_t printable[] = {U'A',      U'\u00E4',     U'\u0301',    U'\u20AC',
                                U'\uFFFD', U'\U0001F600', U'\U000E0100'};
  for (const Path& path : paths()) {
    SCOPED_TRACE(path.name);
    for (const auto& [c, category] : non_printing) {
      EXPECT_EQ(icu::general_category(path.functions, c), category) << std::hex << std::uint32_t{c};
    }
    for (const char32_t c : printable) {
      EXPECT_FALSE(testing::escaped_category(icu::general_category(path.functions, c)))
          << std::hex << std::uint32_t{c};
    }
  }
  // The program asks whatever it could load.
  for (const auto& [c, category] : non_printing) {
    EXPECT_EQ(general_category(c), icu::general_category(icu::functions(), c));
  }
}

TEST(Unicode, LowerCasingIsFullAndLanguageNeutral) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"ÄRCHIVED", "ärchived"},
      {"ΑΡΧΕΊΟ", "αρχείο"},
      // The root locale: no Turkish dotless i, and İ keeps its dot as U+0307.
      {"I", "i"},
      {"İ", "i\u0307"},
      {"AİB", "ai\u0307b"},
      // Lower cases that are no letter's upper case: title-case digraphs, and
      // signs and letters that fold into another letter.
      {"ǅ ǈ ǋ ǲ ᾈ ᾯ ᾼ ῌ ῼ", "ǆ ǉ ǌ ǳ ᾀ ᾧ ᾳ ῃ ῳ"},
      {"ϴ ẞ Ω K Å", "θ ß ω k å"},
      // Final sigma: at the end of a word, also before a mark, a full stop
      // or a format character beyond the BMP; not alone, and not inside a
      // word, an apostrophe there or not.
      {"ΟΔΟΣ ΣΟΦΟΣ", "οδο\u03C2 \u03C3οφο\u03C2"},
      {"ΟΔΟΣ\u0301.", "οδο\u03C2\u0301."},
      {"ΟΔΟΣ\U000E0041", "οδο\u03C2\U000E0041"},
      {"Σ", "\u03C3"},
      {"ΑΣ'Α", "α\u03C3'α"},
      // A precomposed letter beside it is cased, not stepped over.
      {"ÄΣ", "ä\u03C2"},
      {"ΑΣÄ", "α\u03C3ä"},
      // Bytes that are not UTF-8 become U+FFFD, one for each maximal part
      // of a sequence.
      {"A\xFF"
       "B",
       "a\uFFFDb"},
      {"\xC3", "\uFFFD"},
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
      {"", ""},
  };
  for (const Path& path : paths()) {
    SCOPED_TRACE(path.name);
    for (const auto& [text, lower] : cases) {
      EXPECT_EQ(icu::to_lower_full(path.functions, text), lower) << text;
    }
  }
  for (const auto& [text, lower] : cases) {
    EXPECT_EQ(to_lower_full(text), icu::to_lower_full(icu::functions(), text)) << text;
  }
}

TEST(Unicode, LowerCasingGrowsPastTheFirstGuess) {
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  // Each İ (2 bytes, 1 UTF-16 unit) becomes 2 units and 3 bytes.
  std::string upper;
  std::string lower;
  for (int i = 0; i < 50; ++i) upper += "İ", lower += "i\u0307";
  for (const Path& path : paths()) {
    EXPECT_EQ(icu::to_lower_full(path.functions, upper), lower) << path.name;
  }
}

// ICU functions that fail as ICU can (out of memory), or that keep asking
// for more room than they were given.
UChar* from_utf8_fails(UChar*, std::int32_t, std::int32_t*, const char*, std::int32_t, UChar32,
                       std::int32_t*, UErrorCode* status) {
  *status = U_MEMORY_ALLOCATION_ERROR;
  return nullptr;
}

std::int32_t lower_fails(UChar*, std::int32_t, const UChar*, std::int32_t, const char*,
                         UErrorCode* status) {
  *status = U_MEMORY_ALLOCATION_ERROR;
  return 0;
}

std::int32_t lower_never_fits(UChar*, std::int32_t capacity, const UChar*, std::int32_t,
                              const char*, UErrorCode* status) {
  *status = U_BUFFER_OVERFLOW_ERROR;
  return capacity + 1;
}

char* to_utf8_fails(char*, std::int32_t, std::int32_t*, const UChar*, std::int32_t,
                    UErrorCode* status) {
  *status = U_MEMORY_ALLOCATION_ERROR;
  return nullptr;
}

TEST(Unicode, AnIcuFailureGivesNoTextRatherThanAPartOfIt) {
  const icu::Functions* loaded = icu::functions();
  if (loaded == nullptr) GTEST_SKIP() << "needs ICU for the steps that do not fail";
  icu::Functions decode = *loaded;
  decode.str_from_utf8_with_sub = from_utf8_fails;
  icu::Functions lower = *loaded;
  lower.str_to_lower = lower_fails;
  icu::Functions growing = *loaded;
  growing.str_to_lower = lower_never_fits;
  icu::Functions encode = *loaded;
  encode.str_to_utf8 = to_utf8_fails;
  for (const icu::Functions* functions : {&decode, &lower, &growing, &encode}) {
    EXPECT_EQ(icu::to_lower_full(functions, "ÄRCHIVED"), std::nullopt);
  }
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
#endif

}  // namespace
}  // namespace norvane::platform

// The system's icu.dll, and the NLS tables that answer where it is missing
// (Windows before 10 version 1903), compared with ICU code point by code
// point wherever icu.dll can be loaded (under Wine, the build's own).
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/icu_functions.h"
#include "platform/unicode_library.h"
#include "platform/windows/win32.h"
#include "support/unicode_library.h"
#include "text/utf8.h"

namespace norvane::platform {
namespace {

#define NORVANE_SKIP_WITHOUT_ICU_DLL()                                            \
  do {                                                                            \
    if (icu::functions() == nullptr) {                                            \
      GTEST_SKIP() << "no icu.dll here (Windows before 10 version 1903, or Wine " \
                      "without the build's)";                                     \
    }                                                                             \
  } while (false)

// Whether the system's tables know a BMP character; beyond it they cannot
// tell.
[[nodiscard]] std::optional<bool> system_defines(char32_t c) {
  if (c > 0xFFFF) return std::nullopt;
  const auto unit = static_cast<wchar_t>(c);
  WORD type = 0;
  if (!GetStringTypeW(CT_CTYPE1, &unit, 1, &type)) return std::nullopt;
  return (type & C1_DEFINED) != 0;
}

[[nodiscard]] bool in_planes_1_to_3(char32_t c) {
  return c >= 0x10000 && c <= 0x3FFFF;
}

std::string hex(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

TEST(IcuDll, OneInTheSystemFolderIsLoadedWithEveryFunctionTheProgramNeeds) {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::wstring dll = std::wstring(folder, n) + L"\\icu.dll";
  if (GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no icu.dll in the system folder";
  }
  EXPECT_TRUE(unicode_library_available());
}

// README names the differences allowed here: characters that one side's
// Unicode tables lack, and the unassigned code points of planes 1 to 3,
// which the fallback shows as they are.
TEST(IcuDll, WithoutItDebugFormsEscapeWhatIcuEscapesOnEveryCodePoint) {
  NORVANE_SKIP_WITHOUT_ICU_DLL();
  std::vector<std::string> differences;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const std::int8_t with = icu::general_category(icu::functions(), c);
    const std::int8_t without = icu::general_category(nullptr, c);
    if (testing::escaped_category(with) == testing::escaped_category(without)) continue;
    const std::optional<bool> known = system_defines(c);
    if (with == U_UNASSIGNED && (in_planes_1_to_3(c) || known == true)) continue;
    if (without == U_UNASSIGNED && known == false) continue;
    if (differences.size() < 20) {
      differences.push_back(hex(c) + " ICU " + std::to_string(with) + ", without ICU " +
                            std::to_string(without));
    }
  }
  EXPECT_EQ(differences, std::vector<std::string>{});
}

// Allowed: characters that one side's tables lack, and letters beyond the
// BMP, which the system's invariant mapping may leave as they are (Windows
// does, Wine does not).
TEST(IcuDll, WithoutItEveryCharacterLowerCasesAsWithIcu) {
  NORVANE_SKIP_WITHOUT_ICU_DLL();
  std::vector<std::string> differences;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string text;
    append_utf8(text, c);
    const std::optional<std::string> with = icu::to_lower_full(icu::functions(), text);
    const std::optional<std::string> without = icu::to_lower_full(nullptr, text);
    if (with == without) continue;
    const std::optional<bool> known = system_defines(c);
    if (icu::general_category(icu::functions(), c) == U_UNASSIGNED || known == false) continue;
    if (c > 0xFFFF && without == text) continue;
    if (differences.size() < 20) {
      differences.push_back(hex(c) + " ICU " + with.value_or("(none)") + ", without ICU " +
                            without.value_or("(none)"));
    }
  }
  EXPECT_EQ(differences, std::vector<std::string>{});
}

// README's list, where it does not depend on the system's tables.
TEST(IcuDll, WithoutItTheDifferencesAreThoseReadmeLists) {
  NORVANE_SKIP_WITHOUT_ICU_DLL();
  // An unassigned code point of plane 2: escaped by ICU, shown by the
  // fallback.
  EXPECT_EQ(icu::general_category(icu::functions(), U'\U0002FFFD'), U_UNASSIGNED);
  EXPECT_FALSE(testing::escaped_category(icu::general_category(nullptr, U'\U0002FFFD')));
  // A capital sigma after a cased letter beyond the BMP (MATHEMATICAL BOLD
  // CAPITAL A) ends a word for ICU; the system's tables know no letter
  // there.
  EXPECT_EQ(icu::to_lower_full(icu::functions(), "\U0001D400\u03A3"), "\U0001D400\u03C2");
  EXPECT_EQ(icu::to_lower_full(nullptr, "\U0001D400\u03A3"), "\U0001D400\u03C3");
}

}  // namespace
}  // namespace norvane::platform

// The system's icu.dll, and the NLS tables that answer where it is missing
// (Windows before 10 version 1903), compared with ICU code point by code
// point wherever icu.dll can be loaded (under Wine, the build's own).
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "norvane/env.h"
#include "platform/icu_functions.h"
#include "platform/unicode_library.h"
#include "platform/windows/wide.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"
#include "support/unicode_library.h"
#include "text/utf8.h"
#include "wine.h"

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

std::wstring system_folder() {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, n);
}

// Set for the copy of this suite that the case below starts.
constexpr const wchar_t* kPlantedChild = L"NORVANE_TEST_ICU_DLL_BESIDE";

std::string hex(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

TEST(IcuDll, OneInTheSystemFolderIsLoadedWithEveryFunctionTheProgramNeeds) {
  const std::wstring dll = system_folder() + L"\\icu.dll";
  if (GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no icu.dll in the system folder";
  }
  EXPECT_TRUE(unicode_library_available());
}

// icu.dll comes from the system folder only, also in a program that has not
// restricted where its DLLs come from (seed_notes.exe does at start-up; an
// application that links the library may not). A copy of this suite, alone
// in a folder with another icu.dll and bcrypt.dll beside it and that folder
// its current directory, is run on this case, which then checks in the copy
// where the icu.dll it loaded lies, and, after the program's start-up, where
// bcrypt.dll comes from.
TEST(IcuDll, OneBesideTheProgramOrInTheCurrentFolderIsNeverLoaded) {
  const std::wstring system = system_folder();
  if (GetEnvironmentVariableW(kPlantedChild, nullptr, 0) != 0) {
    const icu::Functions* loaded = icu::functions();
    ASSERT_NE(loaded, nullptr) << "the system's icu.dll did not load";
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(loaded->char_type)), &module));
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(
        CompareStringOrdinal(path, static_cast<int>(n), (system + L"\\icu.dll").c_str(), -1, TRUE),
        CSTR_EQUAL)
        << platform::to_utf8(std::wstring(path, n));
    // After seed_notes.exe's start-up, bcrypt.dll, which the loader would
    // look for beside the program first, comes from the system folder too.
    // Windows may have mapped it already for a DLL of its own; then nothing
    // shows here. Wine does not.
    if (GetModuleHandleW(L"bcrypt.dll") != nullptr) {
      ASSERT_FALSE(testing::running_under_wine()) << "bcrypt.dll is loaded already";
      return;
    }
    env::prepare_process();
    const HMODULE bcrypt = LoadLibraryW(L"bcrypt.dll");
    ASSERT_NE(bcrypt, nullptr);
    const DWORD m = GetModuleFileNameW(bcrypt, path, MAX_PATH);
    EXPECT_EQ(CompareStringOrdinal(path, static_cast<int>(m), (system + L"\\bcrypt.dll").c_str(),
                                   -1, TRUE),
              CSTR_EQUAL)
        << platform::to_utf8(std::wstring(path, m));
    FreeLibrary(bcrypt);
    return;
  }
  const std::wstring dll = system + L"\\icu.dll";
  if (GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no icu.dll in the system folder";
  }
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  ASSERT_GT(n, 0u);
  const testing::TempDir folder;
  const std::filesystem::path copy = folder.path() / L"windows_tests.exe";
  std::filesystem::copy_file(std::filesystem::path(std::wstring(self, n)), copy);
  // A working icu.dll and bcrypt.dll, so that only the place each was
  // loaded from tells.
  std::filesystem::copy_file(dll, folder.path() / L"icu.dll");
  std::filesystem::copy_file(system + L"\\bcrypt.dll", folder.path() / L"bcrypt.dll");
  testing::ChildOptions options;
  options.env[kPlantedChild] = L"1";
  options.working_dir = folder.path().wstring();
  const testing::ChildResult r = testing::run_child(
      copy.wstring(),
      {L"--gtest_filter=IcuDll.OneBesideTheProgramOrInTheCurrentFolderIsNeverLoaded"}, options);
  EXPECT_EQ(r.exit_code, 0u) << r.out << r.err;
  EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out;
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

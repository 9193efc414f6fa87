// The Windows backend of the platform layer: paths, the known folder, the
// environment, directories, the command line, clocks and randomness.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "cng_faults.h"
#include "error/debug_text.h"
#include "norvane/db/location.h"
#include "norvane/db/open.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/known_folder.h"
#include "platform/path.h"
#include "platform/random.h"
#include "platform/windows/command_line.h"
#include "platform/windows/wide.h"
// clang-format off
#include "platform/windows/win32.h"
#include <shlobj.h>
// clang-format on
#include "wine.h"

namespace norvane::platform {
namespace {

namespace fs = std::filesystem;

fs::path wide_path(const std::string& utf8) {
  return fs::path(to_wide(utf8));
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    ++counter;
    path_ = fs::temp_directory_path() / (L"norvane-test-" + std::to_wstring(GetCurrentProcessId()) +
                                         L"-" + std::to_wstring(counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] std::string utf8() const { return to_utf8(path_.wstring()); }

 private:
  fs::path path_;
};

// Sets a variable for the life of the object; restores the old state after.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n > 0) {
      old_.emplace(n, L'\0');
      old_->resize(GetEnvironmentVariableW(name, old_->data(), n));
    }
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnv() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

TEST(WindowsPaths, JoinWithABackslashUnlessOneIsThere) {
  EXPECT_EQ(join_path("C:\\Users\\me\\AppData\\Local", "Norvane"),
            "C:\\Users\\me\\AppData\\Local\\Norvane");
  EXPECT_EQ(join_path("C:\\data\\", "Norvane"), "C:\\data\\Norvane");
  EXPECT_EQ(join_path("C:/data/", "Norvane"), "C:/data/Norvane");
  EXPECT_EQ(join_path("C:/data", "Norvane"), "C:/data\\Norvane");
  EXPECT_EQ(join_path("", "Norvane"), "Norvane");
  EXPECT_EQ(join_path(".", "Norvane"), ".\\Norvane");
}

TEST(WindowsPaths, ReplaceExtensionSeesBothSeparators) {
  EXPECT_EQ(replace_extension("C:\\a.b\\norvane", "db-wal"), "C:\\a.b\\norvane.db-wal");
  EXPECT_EQ(replace_extension("C:/a.b/norvane.db", "db-wal"), "C:/a.b/norvane.db-wal");
  EXPECT_EQ(replace_extension("C:\\a\\.hidden", "db"), "C:\\a\\.hidden.db");
}

TEST(WindowsKnownFolder, LocalAppDataResolvesToAnExistingAbsoluteFolder) {
  const auto folder = local_app_data_folder();
  ASSERT_TRUE(folder.has_value());
  ASSERT_GE(folder->size(), 3u);
  EXPECT_EQ(folder->substr(1, 2), ":\\") << *folder;
  EXPECT_NE(folder->back(), '\\');
  EXPECT_TRUE(fs::is_directory(wide_path(*folder))) << *folder;
}

TEST(WindowsEnvironment, AbsentEmptyAndNonAsciiValues) {
  {
    const ScopedEnv unset(L"NORVANE_TEST_VARIABLE", nullptr);
    EXPECT_EQ(get_env("NORVANE_TEST_VARIABLE"), std::nullopt);
  }
  {
    const ScopedEnv empty(L"NORVANE_TEST_VARIABLE", L"");
    EXPECT_EQ(get_env("NORVANE_TEST_VARIABLE"), std::string());
  }
  {
    const ScopedEnv text(L"NORVANE_TEST_VARIABLE", L"C:\\D\u00E4ten\\\U0001F389");
    EXPECT_EQ(get_env("NORVANE_TEST_VARIABLE"), "C:\\Däten\\🎉");
  }
  {
    const std::wstring long_value(5000, L'x');
    const ScopedEnv text(L"NORVANE_TEST_VARIABLE", long_value.c_str());
    EXPECT_EQ(get_env("NORVANE_TEST_VARIABLE"), std::string(5000, 'x'));
  }
}

TEST(WindowsDirectories, CreatesMissingParentsAndAcceptsAnExistingFolder) {
  const TempFolder tmp;
  const std::string deep = join_path(tmp.utf8(), "a\\Ünïcode 日本\\c");
  ASSERT_TRUE(create_private_directories(deep));
  EXPECT_TRUE(fs::is_directory(wide_path(deep)));
  EXPECT_TRUE(create_private_directories(deep));

  const std::string file = join_path(tmp.utf8(), "file");
  std::ofstream(wide_path(file)) << "x";
  EXPECT_FALSE(create_private_directories(file));
  EXPECT_FALSE(create_private_directories(join_path(file, "sub")));
  EXPECT_FALSE(create_private_directories(""));
  // The system would stop reading the name at the NUL and make "n".
  EXPECT_FALSE(create_private_directories(join_path(tmp.utf8(), std::string("n\0ul", 4))));
  EXPECT_FALSE(fs::exists(wide_path(join_path(tmp.utf8(), "n"))));
}

TEST(WindowsDirectories, FileSizeOrNothing) {
  const TempFolder tmp;
  const std::string file = join_path(tmp.utf8(), "größe.db");
  std::ofstream(wide_path(file), std::ios::binary) << std::string(4096, 'x');
  EXPECT_EQ(file_size(file), 4096u);
  EXPECT_EQ(file_size(join_path(tmp.utf8(), "missing")), std::nullopt);
  EXPECT_EQ(file_size(tmp.utf8()), std::nullopt);  // a directory

  // A file another handle holds open without sharing and is still writing,
  // as SQLite holds the write-ahead log: its directory entry may lag behind.
  const std::string held = join_path(tmp.utf8(), "held.db-wal");
  const HANDLE writer = CreateFileW(to_wide(held).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const std::string bytes(12345, 'w');
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  EXPECT_EQ(file_size(held), 12345u);
  CloseHandle(writer);
}

TEST(WindowsDatabaseLocation, OverrideKnownFolderAndCurrentDirectory) {
  const TempFolder tmp;
  {
    const std::wstring base = to_wide(join_path(tmp.utf8(), "bäse"));
    const ScopedEnv dir(L"NORVANE_DATA_DIR", base.c_str());
    const std::string path = norvane::database_path();
    EXPECT_EQ(path, join_path(tmp.utf8(), "bäse\\Norvane\\norvane.db"));
    EXPECT_TRUE(fs::is_directory(wide_path(join_path(tmp.utf8(), "bäse\\Norvane"))));
  }
  {
    // Present but empty: the current directory.
    const fs::path old_cwd = fs::current_path();
    fs::current_path(wide_path(tmp.utf8()));
    const ScopedEnv dir(L"NORVANE_DATA_DIR", L"");
    EXPECT_EQ(norvane::database_path(), "Norvane\\norvane.db");
    EXPECT_TRUE(fs::is_directory(wide_path(join_path(tmp.utf8(), "Norvane"))));
    fs::current_path(old_cwd);
  }
  {
    // The local application-data folder, as the older interface names it:
    // not the roaming one, which travels with the profile.
    const ScopedEnv dir(L"NORVANE_DATA_DIR", nullptr);
    wchar_t local[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local),
              S_OK);
    EXPECT_EQ(norvane::database_path(), to_wtf8(local) + "\\Norvane\\norvane.db");
  }
}

TEST(WindowsPaths, UnpairedSurrogatesSurviveAsWtf8AndShowAsReplacementCharacters) {
  const std::wstring high_last = {L'a', 0xD800};
  const std::wstring low_first = {0xDC00, L'b'};
  const std::wstring reversed = {0xDC00, 0xD800};
  const std::wstring pair = L"\U0001F389";
  for (const std::wstring& units : {high_last, low_first, reversed, pair}) {
    EXPECT_EQ(to_wide(to_wtf8(units)), units);
  }
  EXPECT_EQ(to_wtf8(high_last), "a\xED\xA0\x80");
  EXPECT_EQ(to_wtf8(pair), "🎉");  // a pair is one code point, as in UTF-8
  EXPECT_EQ(path_as_text(to_wtf8(reversed)), "\uFFFD\uFFFD");
  EXPECT_EQ(path_as_text("C:\\x\xED\xA0\x80y\xFF"), "C:\\x\uFFFDy\uFFFD");
  EXPECT_EQ(to_wide("a\xFF"), L"a\uFFFD");
}

TEST(WindowsDatabaseLocation, AnUnpairedSurrogateInTheFolderIsAnInvalidPathAndOpensNothing) {
  const TempFolder tmp;
  const std::wstring base = to_wide(tmp.utf8()) + std::wstring{L'\\', L'x', 0xD800, L'y'};
  const std::wstring data_dir = base + L"\\Norvane";
  const ScopedEnv dir(L"NORVANE_DATA_DIR", base.c_str());
  const std::string path = norvane::database_path();
  const std::string shown = join_path(tmp.utf8(), "x\uFFFDy\\Norvane\\norvane.db");
  EXPECT_EQ(norvane::path_to_display(path), shown);

  auto conn = norvane::open_database(path);
  ASSERT_FALSE(conn);
  EXPECT_EQ(conn.error().message(), "Database error: Invalid path: " + shown);
  EXPECT_EQ(conn.error().debug(), "Database(InvalidPath(" + norvane::debug_quoted(shown) + "))");
  // No folder with U+FFFD in its name stands in for the real one.
  EXPECT_FALSE(fs::exists(wide_path(join_path(tmp.utf8(), "x\uFFFDy"))));

  if (testing::running_under_wine()) {
    GTEST_SKIP() << "Wine cannot make a file name with an unpaired surrogate (its Unix names are "
                    "UTF-8); Windows can";
  }
  // The folder is made under its real name, and stays empty: nothing was
  // opened. (std::filesystem cannot name it, so the system is asked.)
  const DWORD attributes = GetFileAttributesW(data_dir.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(RemoveDirectoryW(data_dir.c_str()));
  EXPECT_TRUE(RemoveDirectoryW(base.c_str()));
}

TEST(WindowsCommandLine, WordsFollowTheSystemsRulesAndBecomeUtf8) {
  const std::vector<std::string> words = split_command_line(
      L"C:\\bin\\seed_notes.exe --clear \"two words\" Gr\u00FC\u00DFe \U0001F389");
  const std::vector<std::string> expected = {"C:\\bin\\seed_notes.exe", "--clear", "two words",
                                             "Grüße", "🎉"};
  EXPECT_EQ(words, expected);

  const wchar_t lone[] = {L'a', L' ', L'x', 0xD800, L'y', 0};
  EXPECT_EQ(split_command_line(lone), (std::vector<std::string>{"a", "x\uFFFDy"}));
}

TEST(WindowsClock, WallClockIsInTheRightEraWithTenthsOfMicroseconds) {
  const UtcTime now = utc_now();
  EXPECT_GT(now.seconds, 1'577'836'800);  // 2020-01-01
  EXPECT_LT(now.nanoseconds, 1'000'000'000u);
  EXPECT_EQ(now.nanoseconds % 100, 0u);
}

TEST(WindowsClock, MonotonicClockNeverGoesBack) {
  std::uint64_t last = monotonic_nanoseconds();
  for (int i = 0; i < 1000; ++i) {
    const std::uint64_t next = monotonic_nanoseconds();
    ASSERT_GE(next, last);
    last = next;
  }
}

TEST(WindowsRandom, FillsFromTheSystemGenerator) {
  std::array<std::uint8_t, 32> a{};
  std::array<std::uint8_t, 32> b{};
  // ProcessPrng, or BCryptGenRandom where it is missing (Wine 8).
  ASSERT_TRUE(fill_random(a));
  ASSERT_TRUE(fill_random(b));
  EXPECT_NE(a, b);
  EXPECT_TRUE(fill_random(std::span<std::uint8_t>{}));
}

// Where ProcessPrng is missing, a failing BCryptGenRandom fails the request.
TEST(WindowsRandom, AFailingFallbackGeneratorFailsTheRequest) {
  const HMODULE primitives =
      LoadLibraryExW(L"bcryptprimitives.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (primitives != nullptr && GetProcAddress(primitives, "ProcessPrng") != nullptr) {
    GTEST_SKIP() << "ProcessPrng is there, so BCryptGenRandom is not used";
  }
  std::array<std::uint8_t, 32> out{};
  {
    const testing::ScopedCngFault fault(testing::CngCall::GenRandom);
    EXPECT_FALSE(fill_random(out));
    EXPECT_EQ(fault.hits(), 1);
  }
  EXPECT_TRUE(fill_random(out));
}

}  // namespace
}  // namespace norvane::platform

// seed_notes.exe as a user runs it: copied alone into a fresh folder, started
// as a child process with NORVANE_DATA_DIR pointing into that folder; its
// output, exit status and the database it leaves are checked through the
// library's own note store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bin/seed_notes/demo_catalogue.h"
#include "child_process.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"
#include "platform/unicode_library.h"
#include "platform/windows/os_error.h"
#include "platform/windows/wide.h"
#include "platform/windows/win32.h"
#include "screen_buffer.h"
#include "support/seed_notes_report.h"
#include "support/system_messages.h"
#include "support/temp_dir.h"
#include "wine.h"

namespace norvane {
namespace {

namespace fs = std::filesystem;

using testing::banner;
using testing::ChildResult;
using testing::kDone;
using testing::kSeeding;
using testing::normalize;
using testing::report;
using testing::status;

std::wstring system_folder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  return std::wstring(buffer, n);
}

// How a run of the program finds ICU: icu.dll of the system folder, as the
// system has it; under Wine also with icu.dll switched off, as on Windows
// before 10 version 1903 (Windows itself has no such switch).
struct IcuMode {
  const char* name;
  bool switched_off;
  bool icu_used;
};

std::vector<IcuMode> icu_modes() {
  std::vector<IcuMode> modes = {
      {"icu.dll as the system has it", false, platform::unicode_library_available()}};
  if (testing::running_under_wine()) modes.push_back({"icu.dll switched off", true, false});
  return modes;
}

// Switches icu.dll off under Wine for the programs of one file name, for as
// long as it lives: Wine's settings for one program
// (HKCU\Software\Wine\AppDefaults\<file name>\DllOverrides). Wine takes
// WINEDLLOVERRIDES from its own environment only, never from the one a
// parent hands its child.
class IcuSwitchedOff {
 public:
  explicit IcuSwitchedOff(const std::wstring& file_name)
      : key_(L"Software\\Wine\\AppDefaults\\" + file_name) {
    HKEY overrides = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &overrides, nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("cannot make Wine's DLL overrides for a program");
    }
    const wchar_t disabled[] = L"";
    const LSTATUS status = RegSetValueExW(overrides, L"icu", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(disabled), sizeof disabled);
    RegCloseKey(overrides);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot switch icu.dll off in Wine");
  }
  ~IcuSwitchedOff() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  IcuSwitchedOff(const IcuSwitchedOff&) = delete;
  IcuSwitchedOff& operator=(const IcuSwitchedOff&) = delete;

 private:
  std::wstring key_;
};

class SeedNotesExe : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy_file(fs::path(testing::windows_path(SEED_NOTES_EXE)), exe_); }

  // Runs the copy with a PATH of the system folder alone, as on a machine
  // with nothing installed, its standard output a pipe or the screen buffer
  // `console`, and icu.dll as the system has it or, with `icu`, as that
  // says. Every run writes LF line ends only.
  ChildResult run(const std::vector<std::wstring>& args = {},
                  const testing::ScreenBuffer* console = nullptr, const IcuMode* icu = nullptr) {
    testing::ChildOptions options;
    options.env[L"NORVANE_DATA_DIR"] = data_dir_;
    options.env[L"PATH"] = system_folder();
    fs::path exe = exe_;
    std::optional<IcuSwitchedOff> switched_off;
    if (icu != nullptr && icu->switched_off) {
      // A second copy, under a name of this case's own: the switch reaches
      // no other case, whatever runs beside it, and one that a killed case
      // left behind names a program that nothing runs again.
      exe = tmp_.path() / without_icu_name_;
      if (!fs::exists(exe)) fs::copy_file(exe_, exe);
      switched_off.emplace(without_icu_name_);
    }
    options.working_dir = tmp_.path().wstring();
    if (console != nullptr) options.stdout_handle = console->handle();
    ChildResult r = testing::run_child(exe.wstring(), args, options);
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    return r;
  }

  // The database path as the program shows it.
  std::string db_path() const { return platform::to_utf8(data_dir_) + "\\Norvane\\norvane.db"; }

  Connection open() {
    auto conn = open_database(db_path());
    EXPECT_TRUE(conn.has_value()) << conn.error().debug();
    return std::move(*conn);
  }

  std::int64_t count(std::string_view sql) {
    Connection conn = open();
    auto stmt = conn.prepare(sql);
    EXPECT_TRUE(stmt.has_value()) << sql;
    EXPECT_TRUE(stmt->step().value_or(false)) << sql;
    return stmt->column_int64(0).value_or(-1);
  }

  std::vector<std::string> ids() {
    Connection conn = open();
    auto stmt = conn.prepare("SELECT id FROM notes ORDER BY id");
    EXPECT_TRUE(stmt.has_value());
    std::vector<std::string> out;
    while (stmt->step().value_or(false)) out.emplace_back(stmt->column_text(0).value());
    return out;
  }

  // One note, straight into a new database, as another writer could leave it.
  void insert_note(std::string_view state, const std::string& body_enc) {
    fs::create_directories(fs::path(data_dir_) / L"Norvane");
    Connection conn = open();
    auto stmt = conn.prepare(
        "INSERT INTO notes (id, title, body_enc, state, created_at, updated_at)"
        " VALUES ('the-note', 'title', ?1, ?2, 't', 't')");
    ASSERT_TRUE(stmt.has_value());
    ASSERT_TRUE(stmt->bind_blob(1, body_enc));
    ASSERT_TRUE(stmt->bind_text(2, state));
    ASSERT_TRUE(stmt->run());
  }

  testing::TempDir tmp_;
  fs::path exe_ = tmp_.path() / "seed_notes.exe";
  std::wstring without_icu_name_ = [] {
    std::random_device random;
    return L"seed_notes-without-icu-" + std::to_wstring(random()) + L"-" +
           std::to_wstring(random()) + L".exe";
  }();
  std::wstring data_dir_ = (tmp_.path() / "data").wstring();
};

TEST_F(SeedNotesExe, FullRunsClearingAndStatsOnlyReportAsOnLinux) {
  const ChildResult first = run();
  EXPECT_EQ(first.exit_code, 0u) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(normalize(first.out), banner(db_path()) + status(0, 0) + std::string(kSeeding) +
                                      report(40, 10) + std::string(kDone));
  {
    // The bodies read back in this process: protected for the same account,
    // the text unchanged.
    Connection conn = open();
    auto notes = list_notes(conn, std::nullopt);
    ASSERT_TRUE(notes.has_value()) << notes.error().debug();
    std::vector<std::pair<std::string, std::string>> got, want;
    for (const Note& n : *notes) got.emplace_back(n.title, n.body);
    for (const auto& d : seeder::demo_catalogue()) want.emplace_back(d.title, d.body);
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
  }

  const ChildResult second = run({L"unrelated", L"words"});
  EXPECT_EQ(second.exit_code, 0u) << second.err;
  EXPECT_EQ(normalize(second.out), banner(db_path()) + status(40, 10) + std::string(kSeeding) +
                                       report(80, 20) + std::string(kDone));
  EXPECT_EQ(count("SELECT count(DISTINCT id) FROM notes"), 100);

  const ChildResult cleared = run({L"--clear"});
  EXPECT_EQ(cleared.exit_code, 0u) << cleared.err;
  EXPECT_EQ(normalize(cleared.out), banner(db_path()) + status(80, 20) +
                                        std::string(testing::kClearing) + std::string(kSeeding) +
                                        report(40, 10) + std::string(kDone));
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);

  const std::vector<std::string> before = ids();
  const ChildResult stats = run({L"--stats-only", L"--clear"});
  EXPECT_EQ(stats.exit_code, 0u) << stats.err;
  EXPECT_EQ(stats.err, "");
  EXPECT_EQ(normalize(stats.out), banner(db_path()) + status(40, 10) + report(40, 10));
  EXPECT_EQ(ids(), before);
}

TEST_F(SeedNotesExe, AFailedClearingStopsTheRunWithTheBareEngineError) {
  insert_note("active", "");
  ASSERT_TRUE(open().execute(
      "CREATE TRIGGER keep_notes BEFORE DELETE ON notes BEGIN SELECT RAISE(ABORT, 'kept'); END"));
  const ChildResult r = run({L"--clear"});
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(normalize(r.out), banner(db_path()) + status(1, 0) +
                                  "\nClearing existing notes as requested (--clear)...\n");
  EXPECT_EQ(r.err,
            "Error: SqliteFailure(Error { code: ConstraintViolation, extended_code: 1811 }, "
            "Some(\"kept\"))\n");
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 1);
}

TEST_F(SeedNotesExe, AFileThatIsNotADatabaseFailsWithTheEngineError) {
  fs::create_directories(fs::path(data_dir_) / L"Norvane");
  std::ofstream(fs::path(data_dir_) / L"Norvane" / L"norvane.db", std::ios::binary)
      << std::string(4096, 'x');
  const ChildResult r = run();
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.out, banner(db_path()));
  EXPECT_EQ(r.err,
            "Error: Database(SqliteFailure(Error { code: NotADatabase, extended_code: 26 }, "
            "Some(\"file is not a database\")))\n");
}

TEST_F(SeedNotesExe, ANonAsciiDataFolderIsUsedAndShownAsUtf8) {
  data_dir_ = (tmp_.path() / L"D\u00E4t\u00E4 \u65E5\u672C \U0001F389").wstring();
  const ChildResult r = run();
  EXPECT_EQ(r.exit_code, 0u) << r.err;
  EXPECT_EQ(normalize(r.out), banner(db_path()) + status(0, 0) + std::string(kSeeding) +
                                  report(40, 10) + std::string(kDone));
  EXPECT_TRUE(fs::is_regular_file(fs::path(data_dir_) / L"Norvane" / L"norvane.db"));
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);
}

// On a console the report goes out as UTF-16 through WriteConsoleW: the
// console shows it line for line, the folder's letters included.
TEST_F(SeedNotesExe, AConsoleShowsTheWholeReport) {
  const testing::ScreenBuffer full_run;
  const testing::ScreenBuffer stats_only;
  NORVANE_NEEDS_CONSOLE(full_run && stats_only);
  data_dir_ =
      (tmp_.path() / L"D\u00E4t\u00E4 \u03A9\u03BC\u03AD\u03B3\u03B1 \u0416\u0443\u043A").wstring();

  const ChildResult seeded = run({}, &full_run);
  EXPECT_EQ(seeded.exit_code, 0u) << seeded.err;
  EXPECT_EQ(seeded.err, "");
  EXPECT_EQ(normalize(full_run.text()), banner(db_path()) + status(0, 0) + std::string(kSeeding) +
                                            report(40, 10) + std::string(kDone));

  const ChildResult stats = run({L"--stats-only"}, &stats_only);
  EXPECT_EQ(stats.exit_code, 0u) << stats.err;
  EXPECT_EQ(stats.err, "");
  EXPECT_EQ(normalize(stats_only.text()), banner(db_path()) + status(40, 10) + report(40, 10));
}

// A console write that fails ends the run as a failed pipe write does. The
// banner is the first thing written: the database is never opened.
TEST_F(SeedNotesExe, AConsoleThatRefusesTheReportFailsTheRun) {
  const testing::ScreenBuffer read_only(false);
  NORVANE_NEEDS_CONSOLE(read_only);
  DWORD taken = 0;
  ASSERT_FALSE(WriteConsoleW(read_only.handle(), L"x", 1, &taken, nullptr));
  const DWORD code = GetLastError();

  const ChildResult r = run({}, &read_only);
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.err, "Error: Io(" + platform::os_error(code).debug() + ")\n");
  EXPECT_FALSE(fs::exists(fs::path(data_dir_) / L"Norvane" / L"norvane.db"));
}

TEST_F(SeedNotesExe, AnUnpairedSurrogateInTheDataFolderOpensNothingWithOrWithoutIcu) {
  // A user's folder whose name holds a letter beyond ASCII, a no-break space
  // and a zero-width space, which the debug form escapes, and a character
  // beyond the BMP.
  data_dir_ = tmp_.path().wstring() + L"\\J\u00FCrgen\u00A0\u200B\U0001F389\\bad" +
              wchar_t{0xD800} + L"dir";
  const std::string tmp = platform::to_utf8(tmp_.path().wstring());
  std::string escaped_tmp;
  for (const char c : tmp) escaped_tmp += c == '\\' ? std::string("\\\\") : std::string(1, c);
  // Shown with U+FFFD in its place; in the debug form the backslashes and
  // the two spaces escaped.
  const std::string shown = tmp + "\\Jürgen\u00A0\u200B🎉\\bad\uFFFDdir\\Norvane\\norvane.db";
  const std::string debug =
      escaped_tmp + "\\\\Jürgen\\u{a0}\\u{200b}🎉\\\\bad\uFFFDdir\\\\Norvane\\\\norvane.db";
  for (const IcuMode& icu : icu_modes()) {
    SCOPED_TRACE(icu.name);
    const ChildResult r = run({}, nullptr, &icu);
    EXPECT_EQ(r.exit_code, 1u);
    EXPECT_EQ(r.out, banner(shown));
    EXPECT_EQ(r.err, "Error: Database(InvalidPath(\"" + debug + "\"))\n");
    // Neither a database nor a folder named with the replacement character.
    for (const auto& entry : fs::recursive_directory_iterator(tmp_.path())) {
      const std::wstring name = entry.path().filename().wstring();
      EXPECT_EQ(name.find(L'\uFFFD'), std::wstring::npos);
      EXPECT_NE(name, L"norvane.db");
    }
  }
}

// A base folder whose name the engine would read as a URI is a folder here
// too, and Windows allows neither ':' nor '?' in a folder's name: the run
// fails at the open, naming the path as the banner shows it, and reports no
// success.
TEST_F(SeedNotesExe, ABaseFolderNamedLikeAUriFailsToOpen) {
  for (const wchar_t* base : {L"file:x?mode=memory&", L"FILE:y?nolock=1"}) {
    data_dir_ = base;  // relative to the working directory
    SCOPED_TRACE(db_path());
    const ChildResult r = run();
    EXPECT_EQ(r.exit_code, 1u);
    EXPECT_EQ(r.out, banner(db_path()));
    std::string escaped;  // the debug form doubles the backslashes
    for (const char c : db_path()) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(r.err,
              "Error: Database(SqliteFailure(Error { code: CannotOpen, extended_code: 14 }, "
              "Some(\"unable to open database file: " +
                  escaped + "\")))\n");
  }
}

TEST_F(SeedNotesExe, AnUnknownNonAsciiStateFailsTheRunWithOrWithoutIcu) {
  struct Case {
    std::string stored;
    std::string with_icu;  // lower-cased, as the error shows it
    std::string without_icu;
  };
  std::vector<Case> cases;
  for (const auto& c : testing::kUnknownStates) cases.push_back({c.stored, c.reported, c.reported});
  // A capital sigma that ends a word before a zero-width space; both spaces
  // escaped.
  const std::string greek = "ärchived\\u{a0}αρχείος\\u{200b}";
  cases.push_back({"ÄRCHIVED\u00A0ΑΡΧΕΊΟΣ\u200B", greek, greek});
  // What tells the two apart: an unassigned code point of plane 2, which
  // only ICU knows to escape.
  cases.push_back({"ÀCTIVE\U0002FFFD", "àctive\\u{2fffd}", "àctive\U0002FFFD"});
  for (const IcuMode& icu : icu_modes()) {
    SCOPED_TRACE(icu.name);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.stored);
      fs::remove_all(fs::path(data_dir_));
      insert_note(c.stored, "");
      const ChildResult r = run({L"--stats-only"}, nullptr, &icu);
      EXPECT_EQ(r.exit_code, 1u);
      EXPECT_EQ(r.out, banner(db_path()) + status(0, 0));
      EXPECT_EQ(r.err, testing::unknown_state_error(icu.icu_used ? c.with_icu : c.without_icu));
    }
  }
}

TEST_F(SeedNotesExe, ABodyThatIsNotAProtectedBlobFailsTheRunNamingTheNote) {
  const std::string bytes("\x00\x11\x22\x33", 4);
  if (unprotect_body(bytes).has_value()) {
    GTEST_SKIP() << "this system's CryptUnprotectData accepts four bytes that are no DPAPI blob";
  }
  insert_note("active", bytes);
  const ChildResult r = run({L"--stats-only"});
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.out, banner(db_path()) + status(1, 0));
  EXPECT_EQ(
      r.err,
      "Error: NoteDecryption { id: \"the-note\", reason: \"DPAPI CryptUnprotectData failed: " +
          testing::invalid_data_text() + "\" }\n");
}

}  // namespace
}  // namespace norvane

// seed_notes.exe as a user runs it: copied alone into a fresh folder, started
// as a child process with NORVANE_DATA_DIR pointing into that folder; its
// output, exit status and the database it leaves are checked through the
// library's own note store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

class SeedNotesExe : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy_file(fs::path(testing::windows_path(SEED_NOTES_EXE)), exe_); }

  // Runs the copy with a PATH of the system folder alone, as on a machine
  // with nothing installed, its standard output a pipe or the screen buffer
  // `console`. Every run writes LF line ends only.
  ChildResult run(const std::vector<std::wstring>& args = {},
                  const testing::ScreenBuffer* console = nullptr) {
    testing::ChildOptions options;
    options.env[L"NORVANE_DATA_DIR"] = data_dir_;
    options.env[L"PATH"] = system_folder();
    options.working_dir = tmp_.path().wstring();
    if (console != nullptr) options.stdout_handle = console->handle();
    ChildResult r = testing::run_child(exe_.wstring(), args, options);
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

TEST_F(SeedNotesExe, AnUnpairedSurrogateInTheDataFolderOpensNothing) {
  data_dir_ = tmp_.path().wstring() + L"\\bad" + wchar_t{0xD800} + L"dir";
  const ChildResult r = run();
  EXPECT_EQ(r.exit_code, 1u);
  // Shown with U+FFFD in its place, the backslashes escaped in the debug form.
  const std::string shown =
      platform::to_utf8(tmp_.path().wstring()) + "\\bad\uFFFDdir\\Norvane\\norvane.db";
  std::string escaped;
  for (const char c : shown) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(r.out, banner(shown));
  EXPECT_EQ(r.err, "Error: Database(InvalidPath(\"" + escaped + "\"))\n");
  // Neither a database nor a folder named with the replacement character.
  for (const auto& entry : fs::recursive_directory_iterator(tmp_.path())) {
    const std::wstring name = entry.path().filename().wstring();
    EXPECT_EQ(name.find(L'\uFFFD'), std::wstring::npos);
    EXPECT_NE(name, L"norvane.db");
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
  // Lower-casing "İ" takes ICU where icu.dll is present, and the ICU-free
  // path where it is not (always under Wine); the text is the same.
  SCOPED_TRACE(platform::unicode_library_available() ? "icu.dll present" : "no icu.dll");
  for (const auto& c : testing::kUnknownStates) {
    SCOPED_TRACE(c.stored);
    fs::remove_all(fs::path(data_dir_));
    insert_note(c.stored, "");
    const ChildResult r = run({L"--stats-only"});
    EXPECT_EQ(r.exit_code, 1u);
    EXPECT_EQ(r.out, banner(db_path()) + status(0, 0));
    EXPECT_EQ(r.err, testing::unknown_state_error(c.reported));
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

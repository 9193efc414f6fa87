// Runs the real seed_notes binary against databases in temporary folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "norvane/db/open.h"
#include "support/process.h"
#include "support/seed_notes_binary.h"
#include "support/seed_notes_report.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using testing::ProcessResult;

using testing::kDone;
using testing::kSeeding;
using testing::normalize;
using testing::report;
using testing::status;

class SeedNotes : public ::testing::Test {
 protected:
  ProcessResult run(std::vector<std::string> args = {},
                    testing::Stdout stdout_to = testing::Stdout::Captured,
                    std::size_t stdout_limit = 0) {
    args.insert(args.begin(), testing::seed_notes_binary());
    testing::ProcessOptions options;
    options.stdout_to = stdout_to;
    options.stdout_limit = stdout_limit;
    options.env = {
        {"NORVANE_DATA_DIR", data_dir_}, {"HOME", tmp_ / "home"}, {"XDG_DATA_HOME", tmp_ / "xdg"}};
    options.working_dir = tmp_.str();
    return testing::run_process(args, options);
  }

  std::string banner() const { return testing::banner(db_path()); }
  std::string db_path() const { return data_dir_ + "/Norvane/norvane.db"; }

  Connection open() {
    auto conn = open_database(db_path());
    EXPECT_TRUE(conn.has_value());
    return std::move(*conn);
  }

  std::int64_t count(std::string_view sql) {
    Connection conn = open();
    auto stmt = conn.prepare(sql);
    EXPECT_TRUE(stmt.has_value()) << sql;
    EXPECT_TRUE(stmt->step().value_or(false));
    return stmt->column_int64(0).value();
  }

  void exec(std::string_view sql) {
    Connection conn = open();
    ASSERT_TRUE(conn.execute(sql).has_value()) << sql;
  }

  testing::TempDir tmp_;
  std::string data_dir_ = tmp_ / "data";
};

TEST_F(SeedNotes, AFullRunSeedsAndReportsLineForLine) {
  const ProcessResult first = run();
  EXPECT_EQ(first.exit_status, 0) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(normalize(first.out),
            banner() + status(0, 0) + std::string(kSeeding) + report(40, 10) + std::string(kDone));
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);

  // Without --clear the catalogue is added again and the status shows the old counts.
  const ProcessResult second = run({"unrelated", "words"});
  EXPECT_EQ(second.exit_status, 0) << second.err;
  EXPECT_EQ(normalize(second.out), banner() + status(40, 10) + std::string(kSeeding) +
                                       report(80, 20) + std::string(kDone));
  EXPECT_EQ(count("SELECT count(DISTINCT id) FROM notes"), 100);
}

TEST_F(SeedNotes, ClearDeletesEveryNoteBeforeSeeding) {
  ASSERT_EQ(run().exit_status, 0);
  for (const auto& args :
       {std::vector<std::string>{"--clear"}, std::vector<std::string>{"x", "--clear", "--clear"}}) {
    const ProcessResult r = run(args);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(normalize(r.out), banner() + status(40, 10) + std::string(testing::kClearing) +
                                    std::string(kSeeding) + report(40, 10) + std::string(kDone));
    EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);
  }
}

TEST_F(SeedNotes, FlagsMatchOnlyWholeWordsExactly) {
  ASSERT_EQ(run().exit_status, 0);
  const ProcessResult r = run({"--CLEAR", "--clear=1", "-clear", "--stats"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out.find("Clearing"), std::string::npos);
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 100);
}

TEST_F(SeedNotes, StatsOnlyReportsWithoutChangingAnything) {
  const ProcessResult empty = run({"--stats-only"});
  EXPECT_EQ(empty.exit_status, 0) << empty.err;
  EXPECT_EQ(normalize(empty.out), banner() + status(0, 0) + report(0, 0));

  ASSERT_EQ(run().exit_status, 0);
  const ProcessResult both = run({"--stats-only", "--clear"});
  EXPECT_EQ(both.exit_status, 0);
  EXPECT_EQ(normalize(both.out), banner() + status(40, 10) + report(40, 10));
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);
}

TEST_F(SeedNotes, TheStatusLineComparesStatesExactlyWhileTheBenchmarkIgnoresCase) {
  ASSERT_EQ(run().exit_status, 0);
  exec("UPDATE notes SET state = 'Archived' WHERE sort_order = 0 AND state = 'archived'");
  const ProcessResult r = run({"--stats-only"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(normalize(r.out), banner() + status(40, 9) + report(40, 10));
}

TEST_F(SeedNotes, NoBodyIsStoredInPlainText) {
  ASSERT_EQ(run().exit_status, 0);
  std::ifstream in(db_path(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_FALSE(bytes.empty());
  for (const char* fragment : {"PRAGMA journal_mode = WAL;", "Organic oat milk",
                               "Theme Contrast Audits", "Researched SQLite query plans"}) {
    EXPECT_EQ(bytes.find(fragment), std::string::npos) << fragment;
  }
  EXPECT_NE(bytes.find("Database Architecture Notes"), std::string::npos);  // titles are plain
}

// The error names the path as the banner shows it, also when the engine had
// to be given it in another form.
TEST_F(SeedNotes, AnUnopenableDatabasePrintsTheBannerAndTheErrorLine) {
  for (const std::string& file : {tmp_ / "file", std::string("file:f")}) {
    SCOPED_TRACE(file);
    std::ofstream(tmp_.path() / file) << "x";
    data_dir_ = file;
    const ProcessResult r = run();
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, banner());
    EXPECT_EQ(r.err,
              "Error: Database(SqliteFailure(Error { code: CannotOpen, extended_code: 14 }, "
              "Some(\"unable to open database file: " +
                  db_path() + "\")))\n");
  }
}

// A base folder is a folder, also when its name begins with "file:", which
// the engine would read as a URI: here one that would keep the database in
// memory, and one that is no URI, as the engine compares case.
TEST_F(SeedNotes, ABaseFolderNamedLikeAUriKeepsTheNotesInThatFolder) {
  for (const char* base : {"file:x?mode=memory&", "FILE:y?nolock=1"}) {
    SCOPED_TRACE(base);
    data_dir_ = base;  // relative to the working directory
    const ProcessResult full = run();
    EXPECT_EQ(full.exit_status, 0) << full.err;
    EXPECT_EQ(normalize(full.out), banner() + status(0, 0) + std::string(kSeeding) +
                                       report(40, 10) + std::string(kDone));
    const ProcessResult stats = run({"--stats-only"});
    EXPECT_EQ(stats.exit_status, 0) << stats.err;
    EXPECT_EQ(normalize(stats.out), banner() + status(40, 10) + report(40, 10));
    EXPECT_TRUE(std::filesystem::is_regular_file(tmp_.path() / base / "Norvane/norvane.db"));
  }
}

TEST_F(SeedNotes, AnEmptyDataDirMeansTheWorkingDirectory) {
  data_dir_ = "";
  const ProcessResult r = run({"--stats-only"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_NE(r.out.find("Database: Norvane/norvane.db\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(tmp_.path() / "Norvane/norvane.db"));
}

TEST_F(SeedNotes, AFailingBodyProtectionRollsBackTheSeeding) {
  ASSERT_EQ(run().exit_status, 0);
  // The key store refuses a key file that others can read.
  ASSERT_EQ(::chmod((tmp_ / "xdg/data-protection/master.key").c_str(), 0644), 0);
  const ProcessResult r = run({"--clear"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(r.err.starts_with("Error: ProtectFailed(\"")) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_TRUE(r.out.ends_with("Cleared existing notes.\n\nPreparing to insert 50 demo notes...\n"))
      << r.out;
  // The clearing was committed before the seeding began; nothing of the batch remains.
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 0);
}

TEST_F(SeedNotes, AnUndecryptableBodyFailsTheBenchmarkNamingTheNote) {
  ASSERT_EQ(run().exit_status, 0);
  exec("UPDATE notes SET body_enc = x'00112233' WHERE sort_order = 3 AND state = 'active'");
  std::string id;
  {
    Connection conn = open();
    auto stmt = conn.prepare("SELECT id FROM notes WHERE sort_order = 3 AND state = 'active'");
    ASSERT_TRUE(stmt->step().value_or(false));
    id = std::string(stmt->column_text(0).value());
  }
  const ProcessResult r = run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(normalize(r.out).ends_with(std::string(kSeeding))) << r.out;
  EXPECT_EQ(r.err, "Error: NoteDecryption { id: \"" + id +
                       "\", reason: \"DPAPI CryptUnprotectData failed: The data is invalid. "
                       "(0x8007000D)\" }\n");
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 100);  // the new batch stays committed
}

TEST_F(SeedNotes, AFailedClearingStopsTheRunWithTheBareEngineError) {
  ASSERT_EQ(run().exit_status, 0);
  exec("CREATE TRIGGER keep_notes BEFORE DELETE ON notes BEGIN SELECT RAISE(ABORT, 'kept'); END");
  const ProcessResult r = run({"--clear"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out,
            banner() + status(40, 10) + "\nClearing existing notes as requested (--clear)...\n");
  EXPECT_EQ(r.err,
            "Error: SqliteFailure(Error { code: ConstraintViolation, extended_code: 1811 }, "
            "Some(\"kept\"))\n");
  EXPECT_EQ(count("SELECT count(*) FROM notes"), 50);
}

TEST_F(SeedNotes, AnUnknownStateFailsTheStatsOnlyRunAfterTheStatusLine) {
  ASSERT_EQ(run().exit_status, 0);
  std::string previous = "active";
  for (const auto& c : testing::kUnknownStates) {
    SCOPED_TRACE(c.stored);
    exec("UPDATE notes SET state = '" + std::string(c.stored) +
         "' WHERE sort_order = 5 AND state = '" + previous + "'");
    previous = c.stored;
    const ProcessResult r = run({"--stats-only"});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, banner() + status(39, 10));
    EXPECT_EQ(r.err, testing::unknown_state_error(c.reported));
  }
}

TEST_F(SeedNotes, AReportThatCannotBeWrittenFailsTheRunWithTheSystemError) {
  using testing::Stdout;
  const struct {
    Stdout to;
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {Stdout::DevFull,
       {},
       R"(Io(Os { code: 28, kind: StorageFull, message: "No space left on device" }))"},
      {Stdout::DevFull,
       {"--stats-only"},
       R"(Io(Os { code: 28, kind: StorageFull, message: "No space left on device" }))"},
      {Stdout::Closed,
       {},
       R"(Io(Os { code: 9, kind: Uncategorized, message: "Bad file descriptor" }))"},
      {Stdout::ReaderGone, {}, R"(Io(Os { code: 32, kind: BrokenPipe, message: "Broken pipe" }))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const ProcessResult r = run(c.args, c.to);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.err, "Error: " + c.error + "\n");
    // The banner is the first thing written: the database was never opened.
    EXPECT_FALSE(std::filesystem::exists(db_path()));
  }
}

TEST_F(SeedNotes, AReportCutShortEndsTheRunAndKeepsWhatWasCommitted) {
  const std::string through_preparing =
      banner() + status(0, 0) + "\nPreparing to insert 50 demo notes...\n";
  const struct {
    std::size_t limit;
    std::int64_t notes_after;
  } cases[] = {
      {10, 0},                         // the banner only partly written: nothing opened
      {through_preparing.size(), 50},  // the line after the commit fails: the notes stay
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    const ProcessResult r = run({}, testing::Stdout::Limited, c.limit);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, through_preparing.substr(0, c.limit));
    EXPECT_EQ(r.err,
              "Error: Io(Os { code: 27, kind: FileTooLarge, message: \"File too large\" })\n");
    EXPECT_EQ(std::filesystem::exists(db_path()) ? count("SELECT count(*) FROM notes") : 0,
              c.notes_after);
  }
}

}  // namespace
}  // namespace norvane

// Hostile database files, hostile rows and hostile data directories: each run
// ends with its exact error line (or succeeds where it can), never crashes,
// and leaves what was there before unchanged.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "binary_run.h"
#include "db_check.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;

constexpr unsigned kNobody = 65534;

std::string engine_line(std::string_view code, int extended, std::string_view message) {
  return "Error: Database(SqliteFailure(Error { code: " + std::string(code) +
         ", extended_code: " + std::to_string(extended) + " }, Some(\"" + std::string(message) +
         "\")))\n";
}

std::string cannot_open_line(const std::string& path) {
  return engine_line("CannotOpen", 14, "unable to open database file: " + path);
}

class HostileFiles : public ::testing::Test {
 protected:
  // A database with the demo notes, checkpointed into the file alone.
  void seed_once() {
    const ProcessResult r = env_.run();
    ASSERT_EQ(r.exit_status, 0) << r.err;
    ASSERT_FALSE(fs::exists(env_.db_path() + "-wal"));
  }

  std::string dir() const { return env_.data_dir_ + "/Norvane"; }

  // Hands the whole temporary tree to `nobody`.
  void give_to_nobody() {
    ASSERT_EQ(::chmod(env_.tmp().path().c_str(), 0755), 0);
    for (const auto& entry : fs::recursive_directory_iterator(env_.tmp().path())) {
      ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
    }
    ASSERT_EQ(::lchown(env_.tmp().path().c_str(), kNobody, kNobody), 0);
  }

  testing::BinaryRun env_;
};

TEST_F(HostileFiles, ATruncatedDatabaseIsReportedAsMalformedAndLeftAlone) {
  seed_once();
  const std::string whole = testing::file_bytes(env_.db_path());
  for (const std::size_t size : {whole.size() / 2, std::size_t{8192}, std::size_t{100}}) {
    SCOPED_TRACE(size);
    const std::string cut = whole.substr(0, size);
    testing::write_bytes(env_.db_path(), cut);
    const ProcessResult r = env_.run();
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.err, engine_line("DatabaseCorrupt", 11, "database disk image is malformed"));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;  // the banner only
    EXPECT_EQ(testing::file_bytes(env_.db_path()), cut);
  }
}

TEST_F(HostileFiles, AZeroLengthFileIsAnEmptyDatabase) {
  fs::create_directories(dir());
  testing::write_bytes(env_.db_path(), "");
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(testing::note_images(testing::open_for_inspection(env_.db_path())).size(), 50U);
}

TEST_F(HostileFiles, ADirectoryInPlaceOfTheDatabaseCannotBeOpened) {
  fs::create_directories(env_.db_path());
  std::ofstream(env_.db_path() + "/inside") << "kept";
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, cannot_open_line(env_.db_path()));
  EXPECT_EQ(testing::file_bytes(env_.db_path() + "/inside"), "kept");
}

TEST_F(HostileFiles, ASymbolicLinkToAMissingFileIsFollowedOnlyWhereItCanBe) {
  fs::create_directories(dir());
  // Into an existing folder: the database is made at the link's target.
  const std::string target = env_.tmp() / "elsewhere.db";
  fs::create_symlink(target, env_.db_path());
  const ProcessResult made = env_.run();
  EXPECT_EQ(made.exit_status, 0) << made.err;
  EXPECT_TRUE(fs::is_symlink(env_.db_path()));
  EXPECT_EQ(testing::note_images(testing::open_for_inspection(target)).size(), 50U);

  // Into a folder that does not exist: the cannot-open error, nothing made.
  fs::remove(env_.db_path());
  fs::create_symlink(env_.tmp() / "no-such-folder/x.db", env_.db_path());
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, cannot_open_line(env_.db_path()));
  EXPECT_FALSE(fs::exists(env_.tmp() / "no-such-folder"));
}

TEST_F(HostileFiles, AGarbageWriteAheadLogIsIgnoredAndNoNoteIsLost) {
  seed_once();
  const auto before = testing::note_images(testing::open_for_inspection(env_.db_path()));
  std::string garbage(8192, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
  testing::write_bytes(env_.db_path() + "-wal", garbage);
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  const auto after = testing::note_images(testing::open_for_inspection(env_.db_path()));
  EXPECT_EQ(after.size(), 100U);
  for (const auto& [id, image] : before) EXPECT_EQ(after.count(id), 1U) << id;
  EXPECT_EQ(testing::integrity_of(testing::open_for_inspection(env_.db_path())), "ok");
}

TEST_F(HostileFiles, AnUnreadableDatabaseFailsForAnUnprivilegedUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
  seed_once();
  const std::string bytes = testing::file_bytes(env_.db_path());
  ASSERT_EQ(::chmod(env_.db_path().c_str(), 0), 0);
  give_to_nobody();
  const ProcessResult r = env_.run({}, kNobody);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, cannot_open_line(env_.db_path()));
  EXPECT_EQ(testing::file_bytes(env_.db_path()), bytes);  // read as root
}

TEST_F(HostileFiles, AReadOnlyDatabaseRefusesTheBatchForAnUnprivilegedUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
  seed_once();
  const std::string bytes = testing::file_bytes(env_.db_path());
  ASSERT_EQ(::chmod(env_.db_path().c_str(), 0400), 0);
  give_to_nobody();
  const ProcessResult r = env_.run({}, kNobody);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err,
            "Error: SqliteFailure(Error { code: ReadOnly, extended_code: 8 }, Some(\"attempt to "
            "write a readonly database\"))\n");
  EXPECT_TRUE(r.out.ends_with("Preparing to insert 50 demo notes...\n")) << r.out;
  EXPECT_EQ(testing::file_bytes(env_.db_path()), bytes);
}

class HostileDataDir : public HostileFiles {};

TEST_F(HostileDataDir, AReadOnlyFolderFailsForAnUnprivilegedUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
  fs::create_directories(env_.data_dir_);
  give_to_nobody();
  ASSERT_EQ(::chmod(env_.data_dir_.c_str(), 0500), 0);
  const ProcessResult r = env_.run({}, kNobody);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, cannot_open_line(env_.db_path()));
  EXPECT_TRUE(fs::is_empty(env_.data_dir_));
}

TEST_F(HostileDataDir, AFolderNameThatIsNotUtf8IsAnInvalidPath) {
  env_.data_dir_ = env_.tmp() / "bad\xff\xfe";
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 1);
  const std::string shown = env_.tmp().str() + "/bad\uFFFD\uFFFD/Norvane/norvane.db";
  EXPECT_NE(r.out.find("Database: " + shown + "\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "Error: Database(InvalidPath(\"" + shown + "\"))\n");
  EXPECT_FALSE(fs::exists(env_.db_path()));
}

TEST_F(HostileDataDir, ANewlineInTheFolderNameStaysInsideTheOneErrorLine) {
  // Usable: the run succeeds with the database in that folder.
  env_.data_dir_ = env_.tmp() / "two\nlines";
  const ProcessResult ok = env_.run();
  EXPECT_EQ(ok.exit_status, 0) << ok.err;
  EXPECT_TRUE(fs::exists(env_.db_path()));

  // Unusable (a file of that name): the path in the error is escaped.
  env_.data_dir_ = env_.tmp() / "a file\nnamed so";
  std::ofstream(env_.data_dir_) << "x";
  const ProcessResult r = env_.run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err,
            "Error: Database(SqliteFailure(Error { code: CannotOpen, extended_code: 14 }, "
            "Some(\"unable to open database file: " +
                env_.tmp().str() + "/a file\\nnamed so/Norvane/norvane.db\")))\n");
  EXPECT_EQ(testing::file_bytes(env_.data_dir_), "x");
}

// Rows written by someone else into a notes table that allows anything: every
// storage class in every column. The list query accepts exactly the classes of
// its column rules and names the first column that breaks one.
class HostileRows : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(env_.data_dir_ + "/Norvane");
    ::setenv("XDG_DATA_HOME", (env_.tmp() / "xdg").c_str(), 1);
    body_ = protect_body(std::string_view("the body")).value();
  }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

  // A fresh database holding one good row, then `column` set to `value`.
  void make(const std::string& column, const std::string& value) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(env_.db_path() + suffix, ec);
    sqlite3* db = nullptr;
    ASSERT_EQ(::sqlite3_open(env_.db_path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(::sqlite3_exec(db,
                             "PRAGMA journal_mode = WAL; CREATE TABLE notes (id, title, body_enc,"
                             " color, state, sort_order, created_at, updated_at, archived_at,"
                             " is_locked)",
                             nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(::sqlite3_prepare_v2(db,
                                   "INSERT INTO notes VALUES ('hostile', 'title', ?1, 'blue',"
                                   " 'active', 3, 'c', 'u', NULL, 0)",
                                   -1, &stmt, nullptr),
              SQLITE_OK);
    ::sqlite3_bind_blob(stmt, 1, body_.data(), static_cast<int>(body_.size()), SQLITE_STATIC);
    ASSERT_EQ(::sqlite3_step(stmt), SQLITE_DONE);
    ::sqlite3_finalize(stmt);
    const std::string update = "UPDATE notes SET " + column + " = " + value;
    ASSERT_EQ(::sqlite3_exec(db, update.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << update;
    ::sqlite3_close(db);
  }

  testing::BinaryRun env_;
  std::string body_;
};

TEST_F(HostileRows, EveryStorageClassInEveryColumn) {
  struct Column {
    const char* name;
    int index;
    std::set<std::string> accepted;  // storage classes its rule allows
  };
  const Column columns[] = {
      {"id", 0, {"Text"}},
      {"title", 1, {"Text"}},
      {"body_enc", 2, {"Null", "Blob"}},
      {"color", 3, {"Text"}},
      {"state", 4, {"Text"}},
      {"sort_order", 5, {"Integer"}},
      {"created_at", 6, {"Text"}},
      {"updated_at", 7, {"Text"}},
      {"archived_at", 8, {"Null", "Text"}},
      {"is_locked", 9, {"Integer"}},
  };
  struct Value {
    const char* storage_class;
    const char* sql;
  };
  const Value values[] = {
      {"Null", "NULL"},
      {"Integer", "-9223372036854775808"},
      {"Real", "1.5"},
      {"Text", "'x\"\n' || char(0) || 'y'"},
      {"Text", "CAST(x'61c0af' AS TEXT)"},  // not UTF-8
      {"Blob", "x'00ff'"},
  };
  int runs = 0;
  for (const Column& column : columns) {
    for (const Value& value : values) {
      const std::string trace = std::string(column.name) + " = " + value.sql;
      SCOPED_TRACE(trace);
      make(column.name, value.sql);
      const auto before = testing::note_images(testing::open_for_inspection(env_.db_path()));

      std::string expected;  // empty: the run succeeds
      const std::string cls = value.storage_class;
      const bool invalid_utf8 = std::string_view(value.sql).starts_with("CAST");
      if (column.accepted.count(cls) == 0) {
        expected = "Error: Database(InvalidColumnType(" + std::to_string(column.index) + ", \"" +
                   column.name + "\", " + cls + "))\n";
      } else if (invalid_utf8) {
        expected = "Error: Database(FromSqlConversionFailure(" + std::to_string(column.index) +
                   ", Text, \"invalid utf-8 sequence of 1 bytes from index 1\"))\n";
      } else if (column.index == 4) {
        expected =
            "Error: Database(FromSqlConversionFailure(4, Text, \"Unknown note state: "
            "'x\\\"\\n\\0y'\"))\n";
      } else if (column.index == 2 && cls == "Blob") {
        expected =
            "Error: NoteDecryption { id: \"hostile\", reason: \"DPAPI CryptUnprotectData "
            "failed: The data is invalid. (0x8007000D)\" }\n";
      }
      const ProcessResult r = env_.run({"--stats-only"});
      ++runs;
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.exit_status, expected.empty() ? 0 : 1);
      EXPECT_EQ(r.err, expected);
      EXPECT_EQ(testing::note_images(testing::open_for_inspection(env_.db_path())), before);
    }
  }
  EXPECT_EQ(runs, 60);
}

}  // namespace
}  // namespace norvane

#include "norvane/db/open.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "db/busy_wait.h"
#include "db/open_settings.h"
#include "support/old_schema.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

std::set<std::string> names_of(const Connection& conn, std::string_view type) {
  std::set<std::string> names;
  auto stmt =
      conn.prepare("SELECT name FROM sqlite_master WHERE type = ?1 AND name NOT LIKE 'sqlite_%'");
  EXPECT_TRUE(stmt.has_value());
  EXPECT_TRUE(stmt->bind_text(1, type).has_value());
  while (stmt->step().value_or(false)) names.emplace(stmt->column_text(0).value());
  return names;
}

std::int64_t query_int(const Connection& conn, std::string_view sql) {
  auto stmt = conn.prepare(sql);
  EXPECT_TRUE(stmt.has_value()) << sql;
  EXPECT_TRUE(stmt->step().value_or(false)) << sql;
  return stmt->column_int64(0).value();
}

std::string query_text(const Connection& conn, std::string_view sql) {
  auto stmt = conn.prepare(sql);
  EXPECT_TRUE(stmt.has_value()) << sql;
  EXPECT_TRUE(stmt->step().value_or(false)) << sql;
  return std::string(stmt->column_text(0).value());
}

std::set<std::string> columns_of(const Connection& conn, const std::string& table) {
  std::set<std::string> names;
  auto stmt = conn.prepare("SELECT name FROM pragma_table_info('" + table + "')");
  while (stmt->step().value_or(false)) names.emplace(stmt->column_text(0).value());
  return names;
}

class OpenDatabase : public ::testing::Test {
 protected:
  testing::TempDir tmp_;
  std::string path_ = tmp_ / "norvane.db";
};

TEST_F(OpenDatabase, ANewFileGetsTheFiveTablesTheTwoIndexesAndWal) {
  auto conn = open_database(path_);
  ASSERT_TRUE(conn.has_value()) << conn.error().debug();
  EXPECT_EQ(names_of(*conn, "table"),
            (std::set<std::string>{"notes", "settings", "deleted_note_undo", "vault_meta",
                                   "floating_notes"}));
  EXPECT_EQ(names_of(*conn, "index"), (std::set<std::string>{"idx_notes_state", "idx_notes_sort"}));
  EXPECT_EQ(query_text(*conn, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(query_int(*conn, "PRAGMA synchronous"), 1);  // NORMAL
  // The library's own busy handler, in place of SQLite's.
  EXPECT_EQ(query_int(*conn, "PRAGMA busy_timeout"), 0);
  EXPECT_TRUE(conn->is_autocommit());
  EXPECT_EQ(columns_of(*conn, "notes").count("is_locked"), 1U);
  EXPECT_EQ(columns_of(*conn, "vault_meta").count("pin_length"), 0U);
}

TEST_F(OpenDatabase, ReopeningAnUpToDateFileChangesNothing) {
  std::int64_t version = 0;
  {
    auto conn = open_database(path_);
    ASSERT_TRUE(conn.has_value());
    ASSERT_TRUE(
        conn->execute("INSERT INTO notes (id, created_at, updated_at) VALUES ('n', 't', 't')"));
    version = query_int(*conn, "PRAGMA schema_version");
  }
  auto conn = open_database(path_);
  ASSERT_TRUE(conn.has_value());
  EXPECT_EQ(query_int(*conn, "PRAGMA schema_version"), version);
  EXPECT_EQ(query_int(*conn, "SELECT COUNT(*) FROM notes"), 1);
}

TEST_F(OpenDatabase, MigratesAnOldSchemaAndKeepsItsRows) {
  {
    auto old = Connection::open(path_, kOpenFlags);
    ASSERT_TRUE(old.has_value());
    ASSERT_TRUE(old->execute_batch(testing::kOldSchemaTables));
    ASSERT_TRUE(old->execute_batch(
        "INSERT INTO notes (id, title, body_enc, created_at, updated_at)"
        " VALUES ('a', 'first', x'0102', 't1', 't1'), ('b', 'second', NULL, 't2', 't2');"
        "INSERT INTO deleted_note_undo VALUES ('d', 'gone', NULL, 'pink', 'active', 3, 't', 't',"
        " NULL, 't');"
        "INSERT INTO vault_meta VALUES (1, x'01', x'02', x'03', x'04', 6, 'c', 'u');"));
  }
  auto conn = open_database(path_);
  ASSERT_TRUE(conn.has_value()) << conn.error().debug();
  EXPECT_EQ(columns_of(*conn, "notes").count("is_locked"), 1U);
  EXPECT_EQ(columns_of(*conn, "deleted_note_undo").count("is_locked"), 1U);
  EXPECT_EQ(columns_of(*conn, "vault_meta").count("pin_length"), 0U);
  EXPECT_EQ(query_int(*conn, "SELECT COUNT(*) FROM notes WHERE is_locked = 0"), 2);
  EXPECT_EQ(query_text(*conn,
                       "SELECT group_concat(v, ',') FROM (SELECT id || ':' || title || "
                       "':' || CASE WHEN body_enc IS NULL THEN 'null' ELSE hex(body_enc) END AS v "
                       "FROM notes ORDER BY id)"),
            "a:first:0102,b:second:null");
  EXPECT_EQ(query_int(*conn, "SELECT is_locked FROM deleted_note_undo WHERE id = 'd'"), 0);
  EXPECT_EQ(query_text(*conn, "SELECT hex(wrapped_dek_recovery) || created_at FROM vault_meta"),
            "04c");
}

// A migration that the engine refuses fails the open with the engine's error.
TEST_F(OpenDatabase, AMigrationThatCannotRunFailsTheOpen) {
  {
    auto old = Connection::open(path_, kOpenFlags);
    ASSERT_TRUE(old.has_value());
    ASSERT_TRUE(old->execute_batch(testing::kOldSchemaTables));
    ASSERT_TRUE(old->execute("CREATE INDEX vault_pin ON vault_meta(pin_length)"));
  }
  auto conn = open_database(path_);
  ASSERT_FALSE(conn.has_value());
  EXPECT_EQ(
      conn.error().debug(),
      R"(Database(SqliteFailure(Error { code: Unknown, extended_code: 1 }, Some("error in index vault_pin after drop column: no such column: pin_length"))))");
}

TEST_F(OpenDatabase, AVaultTableWithoutPinLengthIsLeftAlone) {
  { ASSERT_TRUE(open_database(path_).has_value()); }
  auto conn = open_database(path_);
  ASSERT_TRUE(conn.has_value());
  EXPECT_EQ(columns_of(*conn, "vault_meta").size(), 7U);
}

TEST_F(OpenDatabase, AFileThatIsNotADatabaseFailsWithTheEngineError) {
  std::ofstream(path_) << std::string(4096, 'x');
  auto conn = open_database(path_);
  ASSERT_FALSE(conn.has_value());
  EXPECT_EQ(
      conn.error().debug(),
      R"(Database(SqliteFailure(Error { code: NotADatabase, extended_code: 26 }, Some("file is not a database"))))");
}

TEST_F(OpenDatabase, AMissingDirectoryFailsWithTheCannotOpenMessageAndPath) {
  std::ofstream(tmp_ / "file") << "x";
  const std::string path = tmp_ / "file/Norvane/norvane.db";
  auto conn = open_database(path);
  ASSERT_FALSE(conn.has_value());
  EXPECT_EQ(conn.error().message(), "Database error: unable to open database file: " + path);
  std::string quoted;  // the debug form doubles backslashes, the Windows separator
  for (const char c : path) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(conn.error().debug(),
            "Database(SqliteFailure(Error { code: CannotOpen, extended_code: 14 }, "
            "Some(\"unable to open database file: " +
                quoted + "\")))");
}

TEST_F(OpenDatabase, PathsThatAreNotTextOrHoldNulOpenNothing) {
  using namespace std::string_literals;
  auto bad = open_database(tmp_.str() + "/bad\xff.db");
  ASSERT_FALSE(bad.has_value());
  EXPECT_EQ(bad.error().message(), "Database error: Invalid path: " + tmp_.str() + "/bad\uFFFD.db");
  auto nul = open_database("ab\0c.db"s);
  ASSERT_FALSE(nul.has_value());
  EXPECT_EQ(nul.error().message(),
            "Database error: nul byte found in provided data at position: 2");
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.path()));
  EXPECT_FALSE(std::filesystem::exists("ab"));
}

// A clock that moves only when the wait pauses, and plays another
// connection's part at the times it reaches: a wait of seconds takes none.
class ScriptedClock final : public WaitClock {
 public:
  void at(std::uint64_t ms, std::function<void()> action) {
    script_.emplace(ms, std::move(action));
  }

  std::uint64_t now_ns() noexcept override { return ms_ * 1'000'000; }
  void pause_ms(std::uint32_t ms) noexcept override {
    if (ms == 0) ADD_FAILURE() << "a pause of no time keeps the processor busy";
    ms_ += std::max<std::uint32_t>(ms, 1);
    while (!script_.empty() && script_.begin()->first <= ms_) {
      auto action = std::move(script_.begin()->second);
      script_.erase(script_.begin());
      action();
    }
  }
  [[nodiscard]] std::uint64_t ms() const noexcept { return ms_; }

 private:
  std::uint64_t ms_ = 0;
  std::multimap<std::uint64_t, std::function<void()>> script_;
};

enum class Holder {
  // holds the write lock while this connection writes
  WriteLock,
  // is creating the file: first holds its write lock, which the engine
  // refuses to the switch to WAL at once, without the busy handler; from
  // 600 ms on it has committed in exclusive locking mode and keeps every
  // other connection out, which the busy handler waits for
  Creator,
};

struct LockCase {
  const char* name;
  Holder holder;
  std::uint64_t release_ms;  // when the other connection lets go
  bool taken;                // whether the statement gets the lock
  std::uint64_t done_ms;     // when it ends, taken or given up,
  std::uint64_t late_ms;     // or this much later at most
};

// Every statement waits, on the clock, up to 5000 ms from its first busy
// answer, whichever locks it meets, and takes a lock at its next try after the
// release: 1 ms later at most in the first second of the wait, 2 ms after.
TEST_F(OpenDatabase, ALockedDatabaseIsWaitedForUpToTheBoundAndTakenOnceFree) {
  const std::string kBusy =
      R"(SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, Some("database is locked")))";
  const LockCase cases[] = {
      {"a write lock held past the bound", Holder::WriteLock, 7000, false, 5000, 2},
      {"a write lock let go in the first second", Holder::WriteLock, 301, true, 301, 0},
      {"a write lock let go later", Holder::WriteLock, 2997, true, 2997, 1},
      {"a creator holding the file past the bound", Holder::Creator, 7000, false, 5000, 2},
      {"a creator letting go during the wait", Holder::Creator, 2997, true, 2997, 1},
  };
  for (const LockCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir tmp;
    const std::string path = tmp / "norvane.db";
    ScriptedClock clock;
    std::optional<Connection> conn;
    if (c.holder != Holder::Creator) {
      auto opened = open_database(path, clock);
      ASSERT_TRUE(opened.has_value()) << opened.error().debug();
      conn.emplace(std::move(*opened));
    }
    auto other = Connection::open(path, kOpenFlags);
    ASSERT_TRUE(other.has_value());
    if (c.holder == Holder::Creator) {
      ASSERT_TRUE(
          other->execute_batch("PRAGMA locking_mode = EXCLUSIVE; BEGIN IMMEDIATE; CREATE TABLE "
                               "notes (id, state, sort_order)"));
      clock.at(600, [&] { ASSERT_TRUE(other->execute("COMMIT")); });
      clock.at(c.release_ms, [&] { other->close(); });
    } else {
      ASSERT_TRUE(other->execute("BEGIN IMMEDIATE"));
      clock.at(c.release_ms, [&] { ASSERT_TRUE(other->execute("COMMIT")); });
    }

    std::optional<std::string> failure;  // the error's debug form
    std::string expected_failure = kBusy;
    if (c.holder == Holder::Creator) {
      auto opened = open_database(path, clock);
      if (!opened) failure = opened.error().debug();
      expected_failure = "Database(" + kBusy + ")";
    } else {
      auto written =
          conn->execute("INSERT INTO notes (id, created_at, updated_at) VALUES ('w', 't', 't')");
      if (!written) failure = written.error().debug();
    }
    EXPECT_EQ(failure, c.taken ? std::nullopt : std::optional(expected_failure));
    EXPECT_GE(clock.ms(), c.done_ms);
    EXPECT_LE(clock.ms(), c.done_ms + c.late_ms);
  }
}

#ifndef _WIN32
// The other processes are forked.

// Another process runs `sql` on `path` (taking its write lock), holds it for
// `hold_ms` and then ends with `finish_sql`.
class LockHolder {
 public:
  LockHolder(const std::string& path, const char* sql, const char* finish_sql, unsigned hold_ms) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      sqlite3* db = nullptr;
      if (::sqlite3_open(path.c_str(), &db) != SQLITE_OK) ::_exit(2);
      if (::sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(3);
      if (::write(ready[1], "x", 1) != 1) ::_exit(4);
      ::usleep(static_cast<useconds_t>(hold_ms) * 1000);
      if (::sqlite3_exec(db, finish_sql, nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(5);
      ::sqlite3_close(db);
      ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ready_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  ~LockHolder() { (void)finish(); }

  [[nodiscard]] bool ready() const noexcept { return ready_; }

  // Waits for the process; true when it did all it was asked.
  bool finish() {
    if (pid_ <= 0) return false;
    int status = 0;
    const bool waited = ::waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

TEST_F(OpenDatabase, AStatementWaitsForAWriteLockHeldByAnotherProcess) {
  { ASSERT_TRUE(open_database(path_).has_value()); }
  LockHolder writer(path_, "BEGIN IMMEDIATE", "COMMIT", 1000);
  ASSERT_TRUE(writer.ready());

  auto conn = open_database(path_);  // reading the schema does not need the write lock
  ASSERT_TRUE(conn.has_value()) << conn.error().debug();
  auto written =
      conn->execute("INSERT INTO notes (id, created_at, updated_at) VALUES ('w', 't', 't')");
  EXPECT_TRUE(written.has_value()) << written.error().debug();
  EXPECT_TRUE(writer.finish());
}

// The engine refuses the change to WAL at once, without the busy handler,
// while another opener holds the write lock of a file that is not yet in WAL
// mode.
TEST_F(OpenDatabase, ANewFileThatAnotherOpenerIsCreatingIsWaitedFor) {
  LockHolder creator(path_, "BEGIN IMMEDIATE; CREATE TABLE notes (id)", "ROLLBACK", 1000);
  ASSERT_TRUE(creator.ready());

  auto conn = open_database(path_);
  ASSERT_TRUE(conn.has_value()) << conn.error().debug();
  EXPECT_EQ(query_text(*conn, "PRAGMA journal_mode"), "wal");
  EXPECT_TRUE(creator.finish());
}
#endif

}  // namespace
}  // namespace norvane

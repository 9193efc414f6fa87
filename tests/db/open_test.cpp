#include "norvane/db/open.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <fstream>
#include <future>
#include <set>
#include <thread>

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
  EXPECT_EQ(query_int(*conn, "PRAGMA busy_timeout"), 5000);
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

// A second opener, on a thread and connection of its own, creating the
// database: first it holds the write lock of the new file, which the engine
// refuses to the WAL switch at once, without the busy handler; after
// `creating_ms` it commits in exclusive locking mode and so keeps every other
// connection out, which the busy handler waits for; `total_ms` after it
// began it lets go.
class SecondOpener {
 public:
  SecondOpener(const std::string& path, int creating_ms, int total_ms) {
    std::promise<bool> began;
    ready_ = began.get_future();
    thread_ = std::thread([path, creating_ms, total_ms, began = std::move(began)]() mutable {
      sqlite3* db = nullptr;
      const bool holding = ::sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                           ::sqlite3_busy_timeout(db, 60'000) == SQLITE_OK &&
                           ::sqlite3_exec(db,
                                          "PRAGMA locking_mode = EXCLUSIVE; BEGIN IMMEDIATE; "
                                          "CREATE TABLE notes (id)",
                                          nullptr, nullptr, nullptr) == SQLITE_OK;
      const auto start = std::chrono::steady_clock::now();
      began.set_value(holding);
      if (holding) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(creating_ms));
        (void)::sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        std::this_thread::sleep_until(start + std::chrono::milliseconds(total_ms));
      }
      ::sqlite3_close(db);
    });
  }
  SecondOpener(const SecondOpener&) = delete;
  SecondOpener& operator=(const SecondOpener&) = delete;
  ~SecondOpener() { thread_.join(); }

  [[nodiscard]] bool ready() { return ready_.get(); }

 private:
  std::future<bool> ready_;
  std::thread thread_;
};

// A statement that meets both kinds of lock waits no longer than the timeout
// in all: once the engine has refused at once for a while, the busy handler
// gets only what is left, and the lock, let go just past the timeout, is not
// waited for.
TEST_F(OpenDatabase, AWaitingStatementGivesUpAtTheTimeoutWhicheverLocksItMeets) {
  constexpr int kTimeoutMs = 1500;
  SecondOpener other(path_, 600, kTimeoutMs + 450);
  ASSERT_TRUE(other.ready());
  auto conn = Connection::open(path_, kOpenFlags);
  ASSERT_TRUE(conn.has_value());
  conn->set_extended_result_codes(true);
  ASSERT_TRUE(conn->set_busy_timeout(kTimeoutMs));
  auto switched = conn->execute_batch_waiting("PRAGMA journal_mode = WAL", kTimeoutMs);
  ASSERT_FALSE(switched.has_value()) << "waited until the other opener let go";
  EXPECT_EQ(
      switched.error().debug(),
      R"(SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, Some("database is locked")))");
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
  // Waiting shortens the busy timeout for the statement; the connection gets its own back.
  EXPECT_EQ(query_int(*conn, "PRAGMA busy_timeout"), 5000);
  EXPECT_TRUE(creator.finish());
}
#endif

}  // namespace
}  // namespace norvane

// Another process holds the database while seed_notes runs: a write lock held
// for less than the busy timeout is waited for; one held longer fails the run
// with the busy error and leaves the database as it was; a long read
// transaction does not stop seeding. The same holds for a first run that meets
// another opener still creating the file.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "binary_run.h"
#include "db_check.h"
#include "norvane/db/open.h"

namespace norvane {
namespace {

constexpr std::string_view kBusyLine =
    "Error: SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, "
    "Some(\"database is locked\"))\n";

// A second process on the database: it runs `sql` (leaving any transaction
// open), says so, then waits until it is told to finish with `finish_sql`, or
// for `hold_ms` milliseconds when that is not zero.
class OtherProcess {
 public:
  OtherProcess(const std::string& path, std::string sql, std::string finish_sql, int hold_ms) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      sqlite3* db = nullptr;
      sqlite3_stmt* stmt = nullptr;
      if (::sqlite3_open(path.c_str(), &db) != SQLITE_OK) ::_exit(2);
      if (::sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(3);
      // Keep a read open on the snapshot, and count what it sees.
      if (::sqlite3_prepare_v2(db, "SELECT count(*) FROM notes", -1, &stmt, nullptr) != SQLITE_OK ||
          ::sqlite3_step(stmt) != SQLITE_ROW) {
        ::_exit(4);
      }
      const int seen_before = ::sqlite3_column_int(stmt, 0);
      ::sqlite3_reset(stmt);
      if (::write(ready[1], "r", 1) != 1) ::_exit(5);
      if (hold_ms > 0) {
        ::usleep(static_cast<useconds_t>(hold_ms) * 1000);
      } else {
        char c = 0;
        while (::read(release[0], &c, 1) < 0 && errno == EINTR) {
        }
      }
      // A read transaction still sees the count it started with.
      if (::sqlite3_step(stmt) != SQLITE_ROW) ::_exit(6);
      const bool same_snapshot = ::sqlite3_column_int(stmt, 0) == seen_before;
      ::sqlite3_finalize(stmt);
      if (::sqlite3_exec(db, finish_sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        ::_exit(7);
      }
      ::sqlite3_close(db);
      ::_exit(same_snapshot ? 0 : 8);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_fd_ = release[1];
    char c = 0;
    ready_ = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
  }

  ~OtherProcess() { (void)finish(); }

  [[nodiscard]] bool ready() const noexcept { return ready_; }

  // Tells the process to finish and returns its exit status.
  int finish() {
    if (pid_ <= 0) return status_;
    ::close(release_fd_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int release_fd_ = -1;
  int status_ = -1;
  bool ready_ = false;
};

class Contention : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto first = env_.run();
    ASSERT_EQ(first.exit_status, 0) << first.err;
    before_ = images();
    ASSERT_EQ(before_.size(), 50U);
  }

  testing::NoteImages images() const {
    return testing::note_images(testing::open_for_inspection(env_.db_path()));
  }

  testing::BinaryRun env_;
  testing::NoteImages before_;
};

TEST_F(Contention, AWriteLockHeldForLessThanTheBusyTimeoutIsWaitedFor) {
  OtherProcess writer(env_.db_path(),
                      "BEGIN IMMEDIATE; INSERT INTO notes (id, created_at, updated_at)"
                      " VALUES ('from-the-app', 't', 't')",
                      "COMMIT", 1500);
  ASSERT_TRUE(writer.ready());
  const auto r = env_.run();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(writer.finish(), 0);
  const auto now = images();
  EXPECT_EQ(now.size(), 50U + 1U + 50U);
  EXPECT_EQ(now.count("'from-the-app'"), 1U);
}

TEST_F(Contention, AWriteLockHeldBeyondTheBusyTimeoutFailsTheRunAndChangesNothing) {
  OtherProcess writer(env_.db_path(),
                      "BEGIN IMMEDIATE; INSERT INTO notes (id, created_at, updated_at)"
                      " VALUES ('uncommitted', 't', 't')",
                      "ROLLBACK", 0);
  ASSERT_TRUE(writer.ready());

  const auto seeding = env_.run();
  EXPECT_EQ(seeding.exit_status, 1);
  EXPECT_EQ(seeding.err, kBusyLine);
  EXPECT_TRUE(seeding.out.ends_with("\nPreparing to insert 50 demo notes...\n")) << seeding.out;

  // Clearing meets the same lock: its two lines are printed, nothing is deleted.
  const auto clearing = env_.run({"--clear"});
  EXPECT_EQ(clearing.exit_status, 1);
  EXPECT_EQ(clearing.err, kBusyLine);
  EXPECT_TRUE(
      clearing.out.ends_with("total notes\n\nClearing existing notes as requested (--clear)...\n"))
      << clearing.out;

  // Reading goes on beside the writer.
  const auto stats = env_.run({"--stats-only"});
  EXPECT_EQ(stats.exit_status, 0) << stats.err;

  EXPECT_EQ(writer.finish(), 0);
  EXPECT_EQ(images(), before_);
}

TEST_F(Contention, ALongReadTransactionDoesNotStopSeeding) {
  OtherProcess reader(env_.db_path(), "BEGIN", "COMMIT", 0);
  ASSERT_TRUE(reader.ready());
  const auto r = env_.run({"--clear"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  // The reader still saw its own snapshot to the end.
  EXPECT_EQ(reader.finish(), 0);
  const auto now = images();
  EXPECT_EQ(now.size(), 50U);
  for (const auto& [id, image] : before_) EXPECT_EQ(now.count(id), 0U);
  EXPECT_EQ(testing::integrity_of(testing::open_for_inspection(env_.db_path())), "ok");
}

// Another opener is creating the database: it holds the write lock on a file
// that is not yet in WAL mode. The engine refuses the change to WAL at once,
// without waiting on the busy handler, while that lock is held.
class NewDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(std::filesystem::path(env_.db_path()).parent_path());
  }

  OtherProcess creator(int hold_ms) const {
    return OtherProcess(env_.db_path(), "BEGIN IMMEDIATE; CREATE TABLE notes (id)", "ROLLBACK",
                        hold_ms);
  }

  testing::BinaryRun env_;
};

TEST_F(NewDatabase, AnotherOpenerCreatingTheFileIsWaitedFor) {
  auto other = creator(1000);
  ASSERT_TRUE(other.ready());
  const auto r = env_.run();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(other.finish(), 0);
  EXPECT_EQ(testing::note_images(testing::open_for_inspection(env_.db_path())).size(), 50U);
}

TEST_F(NewDatabase, AnotherOpenerHoldingTheFilePastTheBusyTimeoutFailsTheOpen) {
  auto other = creator(0);
  ASSERT_TRUE(other.ready());
  const auto start = std::chrono::steady_clock::now();
  const auto r = env_.run();
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err,
            "Error: Database(SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, "
            "Some(\"database is locked\")))\n");
  EXPECT_EQ(r.out.find("Current DB Status"), std::string::npos) << r.out;
  EXPECT_GE(waited, std::chrono::milliseconds(5000));
  EXPECT_EQ(other.finish(), 0);
  // Nothing of the schema was made: the file is as empty as the creator left it.
  EXPECT_EQ(testing::file_bytes(env_.db_path()), "");
}

}  // namespace
}  // namespace norvane

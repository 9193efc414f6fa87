// Opening while another process holds the database: the child is forked.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "norvane/db/open.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

class OpenDatabase : public ::testing::Test {
 protected:
  testing::TempDir tmp_;
  std::string path_ = tmp_ / "norvane.db";
};

TEST_F(OpenDatabase, AStatementWaitsForAWriteLockHeldByAnotherProcess) {
  { ASSERT_TRUE(open_database(path_).has_value()); }
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    sqlite3* db = nullptr;
    if (::sqlite3_open(path_.c_str(), &db) != SQLITE_OK) ::_exit(2);
    if (::sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(3);
    if (::write(ready[1], "x", 1) != 1) ::_exit(4);
    ::usleep(1'000'000);
    if (::sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(5);
    ::sqlite3_close(db);
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);

  auto conn = open_database(path_);  // reading the schema does not need the write lock
  ASSERT_TRUE(conn.has_value()) << conn.error().debug();
  auto written =
      conn->execute("INSERT INTO notes (id, created_at, updated_at) VALUES ('w', 't', 't')");
  EXPECT_TRUE(written.has_value()) << written.error().debug();
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace norvane

#include "seeding.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "db/open_settings.h"
#include "demo_catalogue.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"
#include "support/temp_dir.h"

namespace norvane::seeder {
namespace {

class SeedDemoNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    auto conn = open_database(tmp_ / "norvane.db");
    ASSERT_TRUE(conn.has_value());
    conn_ = std::move(*conn);
  }

  std::expected<void, SeedFailure> seed(std::string* output = nullptr) {
    ::testing::internal::CaptureStdout();
    auto result = seed_demo_notes(conn_);
    std::fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    if (output != nullptr) *output = out;
    return result;
  }

  // Seeds, expecting the engine error `debug` after the first progress line
  // only, and no transaction left open.
  void expect_engine_failure(std::string_view debug) {
    std::string out;
    auto seeded = seed(&out);
    ASSERT_FALSE(seeded.has_value());
    const auto* error = std::get_if<DbError>(&seeded.error());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->debug(), debug);
    EXPECT_EQ(out, "\nPreparing to insert 50 demo notes...\n");
    EXPECT_TRUE(conn_.is_autocommit());
  }

  std::vector<std::vector<std::string>> rows(std::string_view sql) {
    std::vector<std::vector<std::string>> out;
    auto stmt = conn_.prepare(sql);
    EXPECT_TRUE(stmt.has_value()) << sql;
    while (stmt->step().value_or(false)) {
      auto& row = out.emplace_back();
      for (int i = 0; i < stmt->column_count(); ++i) {
        if (stmt->column_type(i) == ValueType::Integer) {
          row.push_back(std::to_string(stmt->column_int64(i).value()));
          continue;
        }
        auto text = stmt->column_optional_text(i).value();
        row.emplace_back(text ? std::string(*text) : "NULL");
      }
    }
    return out;
  }

  testing::ScopedUserHome home_;
  testing::TempDir tmp_;
  Connection conn_;
};

TEST_F(SeedDemoNotes, InsertsTheCatalogueInOneBatchWithDerivedColumns) {
  std::string out;
  ASSERT_TRUE(seed(&out).has_value());
  EXPECT_TRUE(std::regex_match(
      out, std::regex("\nPreparing to insert 50 demo notes...\n"
                      "Successfully inserted and encrypted 50 notes in [0-9]+\\.[0-9]{2} ms "
                      "\\(avg [0-9]+\\.[0-9]{2} ms/note\\)\n")))
      << out;
  EXPECT_TRUE(conn_.is_autocommit());

  const auto counts = rows(
      "SELECT state, count(*), min(sort_order), max(sort_order), count(DISTINCT sort_order),"
      " sum(is_locked), count(archived_at) FROM notes GROUP BY state ORDER BY state");
  ASSERT_EQ(counts.size(), 2U);
  EXPECT_EQ(counts[0], (std::vector<std::string>{"active", "40", "0", "39", "40", "0", "0"}));
  EXPECT_EQ(counts[1], (std::vector<std::string>{"archived", "10", "0", "9", "10", "0", "10"}));

  // One reading of the clock: every timestamp shares its fraction and offset.
  const auto stamps =
      rows("SELECT created_at, updated_at, ifnull(archived_at, created_at) FROM notes");
  const std::string tail = stamps[0][0].substr(19);
  EXPECT_TRUE(std::regex_match(tail, std::regex("(\\.([0-9]{3}|[0-9]{6}|[0-9]{9}))?\\+00:00")))
      << tail;
  for (const auto& row : stamps) {
    for (const auto& stamp : row) EXPECT_EQ(stamp.substr(19), tail);
  }

  // Back-dating: created days_ago days back, updated 4 * days_ago hours back,
  // archived floor(days_ago / 2) days back.
  const auto daily = rows(
      "SELECT title, CAST(round((julianday(u) - julianday(c)) * 24) AS TEXT),"
      " CAST(round((julianday(ifnull(a, u)) - julianday(c)) * 24) AS TEXT) FROM"
      " (SELECT title, substr(created_at, 1, 19) AS c, substr(updated_at, 1, 19) AS u,"
      "  substr(archived_at, 1, 19) AS a FROM notes) WHERE title IN"
      " ('Daily Standup Notes ☕', '[Archived] Q2 Retrospective Notes 📊',"
      "  '[Archived] Old Office Wi-Fi Credentials 📶') ORDER BY title");
  ASSERT_EQ(daily.size(), 3U);
  EXPECT_EQ(daily[0], (std::vector<std::string>{"Daily Standup Notes ☕", "0.0", "0.0"}));
  // days_ago 60: updated 240 h back, i.e. 1200 h after creation; archived 30 days back.
  EXPECT_EQ(daily[1], (std::vector<std::string>{"[Archived] Old Office Wi-Fi Credentials 📶",
                                                "1200.0", "720.0"}));
  // days_ago 45: archived 22 days back, i.e. 23 days after creation.
  EXPECT_EQ(daily[2],
            (std::vector<std::string>{"[Archived] Q2 Retrospective Notes 📊", "900.0", "552.0"}));
}

TEST_F(SeedDemoNotes, StoresOnlyProtectedBodiesThatReadBack) {
  ASSERT_TRUE(seed().has_value());
  auto stmt = conn_.prepare("SELECT title, body_enc FROM notes");
  ASSERT_TRUE(stmt.has_value());
  int seen = 0;
  while (stmt->step().value_or(false)) {
    const auto blob = stmt->column_optional_blob(1).value();
    ASSERT_TRUE(blob.has_value());
    auto body = unprotect_body(*blob);
    ASSERT_TRUE(body.has_value());
    const std::string_view stored(blob->data(), blob->size());
    EXPECT_EQ(stored.find(*body), std::string_view::npos);
    ++seen;
  }
  EXPECT_EQ(seen, 50);

  // The batch is still in the write-ahead log while the connection is open.
  std::ifstream wal(tmp_ / "norvane.db-wal", std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(wal)), {});
  EXPECT_GT(log.size(), 0U);
  EXPECT_NE(log.find("Database Architecture Notes"), std::string::npos);
  for (const auto& note : demo_catalogue()) {
    EXPECT_EQ(log.find(note.body.substr(0, 24)), std::string::npos) << note.title;
  }
}

TEST_F(SeedDemoNotes, ASecondRunAddsTheCatalogueAgainWithNewIdentifiers) {
  ASSERT_TRUE(seed().has_value());
  ASSERT_TRUE(seed().has_value());
  const auto ids = rows("SELECT id FROM notes");
  std::set<std::string> distinct;
  for (const auto& r : ids) distinct.insert(r[0]);
  EXPECT_EQ(ids.size(), 100U);
  EXPECT_EQ(distinct.size(), 100U);
  EXPECT_EQ(rows("SELECT count(*) FROM notes WHERE sort_order = 0")[0][0], "4");
}

TEST_F(SeedDemoNotes, AFailingInsertRollsBackTheWholeBatch) {
  ASSERT_TRUE(
      conn_.execute("INSERT INTO notes (id, title, created_at, updated_at)"
                    " VALUES ('kept', 'before', 't', 't')"));
  ASSERT_TRUE(
      conn_.execute("CREATE TRIGGER stop_at_30 BEFORE INSERT ON notes"
                    " WHEN (SELECT count(*) FROM notes) > 30"
                    " BEGIN SELECT RAISE(ABORT, 'disk on fire'); END"));
  expect_engine_failure(
      R"(SqliteFailure(Error { code: ConstraintViolation, extended_code: 1811 }, Some("disk on fire")))");
  EXPECT_EQ(rows("SELECT id, title FROM notes"),
            (std::vector<std::vector<std::string>>{{"kept", "before"}}));
}

// A value that the engine will not bind, here an identifier longer than this
// connection allows, fails the batch: no row goes in with a parameter unbound.
TEST_F(SeedDemoNotes, AValueTheEngineWillNotBindFailsTheWholeBatch) {
  ::sqlite3_limit(conn_.handle(), SQLITE_LIMIT_LENGTH, 35);
  expect_engine_failure(
      R"(SqliteFailure(Error { code: TooBig, extended_code: 18 }, Some("string or blob too big")))");
  EXPECT_EQ(rows("SELECT count(*) FROM notes")[0][0], "0");
}

// In WAL mode a COMMIT never waits for readers, and closing the connection
// would undo an open transaction anyway. With a rollback journal, a reader's
// shared lock makes the COMMIT fail busy and leaves the transaction open: the
// phase must still end it.
TEST_F(SeedDemoNotes, ACommitRefusedForAReadersLockStillEndsTheTransaction) {
  ASSERT_TRUE(conn_.execute("PRAGMA journal_mode = DELETE"));
  ASSERT_TRUE(conn_.set_busy_timeout(1));
  auto reader = Connection::open(tmp_ / "norvane.db", kOpenFlags);
  ASSERT_TRUE(reader.has_value());
  {
    // A statement stopped at its first row keeps its shared lock.
    auto read = reader->prepare("SELECT name FROM sqlite_schema");
    ASSERT_TRUE(read.has_value());
    const auto first = read->step();
    ASSERT_TRUE(first.has_value() && *first);

    expect_engine_failure(
        R"(SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, Some("database is locked")))");
  }
  EXPECT_EQ(rows("SELECT count(*) FROM notes")[0][0], "0");
}

#ifndef _WIN32
// The POSIX stand-in for data protection keeps its key in a file; Windows has
// no such file to spoil.
TEST_F(SeedDemoNotes, AFailingBodyProtectionHandsUpTheBareCryptoErrorAndLeavesNoRow) {
  // A key file that others may read is refused by the key store.
  const std::filesystem::path key_dir = home_.dir().path() / "xdg/data-protection";
  std::filesystem::create_directories(key_dir);
  ::chmod(key_dir.c_str(), 0700);
  std::ofstream(key_dir / "master.key") << std::string(64, 'k');
  ::chmod((key_dir / "master.key").c_str(), 0644);

  auto seeded = seed();
  ASSERT_FALSE(seeded.has_value());
  const auto* error = std::get_if<CryptoError>(&seeded.error());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->kind(), CryptoError::Kind::ProtectFailed);
  EXPECT_TRUE(error->debug().starts_with("ProtectFailed(")) << error->debug();
  EXPECT_TRUE(conn_.is_autocommit());
  EXPECT_EQ(rows("SELECT count(*) FROM notes")[0][0], "0");
}

#endif

}  // namespace
}  // namespace norvane::seeder

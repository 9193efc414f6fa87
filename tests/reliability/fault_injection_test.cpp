// SQLite I/O failures injected at every point of the seeding phase, of a
// whole run with --clear, and of the migration of an old-schema file. After
// each injected fault the database must be sound, hold every earlier note
// unchanged and hold either the whole demo batch or none of it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

#include "db_check.h"
#include "driver.h"
#include "fault_vfs.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"
#include "seeding.h"
#include "support/old_schema.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using testing::FaultKind;
using testing::FaultPlan;
using testing::FaultVfs;

constexpr std::array kKinds = {FaultKind::Read, FaultKind::Write, FaultKind::Full, FaultKind::Sync,
                               FaultKind::Lock};
// No operation here comes anywhere near this many I/O calls of one kind;
// reaching it means the loop would not end.
constexpr int kMaxPoints = 20'000;

std::string trial_name(const FaultPlan& plan) {
  return std::string(testing::name_of(plan.kind)) + (plan.persistent ? " (persistent)" : "") +
         " fault at call " + std::to_string(plan.nth);
}

class FaultInjection : public ::testing::Test {
 protected:
  void TearDown() override { std::printf("[ fault points ] %s\n", summary_.c_str()); }

  // For each kind and persistence, arms the fault at N = 1, 2, ... around
  // `trial` until a trial injects nothing; `check` runs after each trial with
  // the fault disarmed. Returns the number of distinct I/O calls that a fault
  // was injected into.
  int loop(const std::function<void()>& prepare, const std::function<void(const FaultPlan&)>& trial,
           const std::function<void(const FaultPlan&)>& check) {
    int total = 0;
    for (const FaultKind kind : kKinds) {
      for (const bool persistent : {false, true}) {
        int n = 1;
        for (; n <= kMaxPoints; ++n) {
          const FaultPlan plan{kind, n, persistent};
          prepare();
          vfs_.arm(plan);
          trial(plan);
          const int injected = vfs_.injected();
          vfs_.disarm();
          check(plan);
          if (::testing::Test::HasFatalFailure() || failures_ > 20) return total;
          if (injected == 0) break;
        }
        EXPECT_LE(n, kMaxPoints) << testing::name_of(kind);
        const int points = n - 1;
        // Disk-full faults hit the same calls as write faults: count them once.
        if (!persistent && kind != FaultKind::Full) total += points;
        summary_ += std::string(testing::name_of(kind)) + (persistent ? "+" : "") + "=" +
                    std::to_string(points) + " ";
      }
    }
    return total;
  }

  // Counts a trial as failed once, so that a broken invariant does not flood
  // the log with thousands of copies.
  void note_failure() { ++failures_; }

  testing::ScopedUserHome home_;
  testing::TempDir tmp_;
  FaultVfs vfs_;
  std::string summary_;
  int failures_ = 0;
};

// A database with three notes of different shapes, as bytes on disk.
std::string earlier_notes_file(const std::string& path) {
  {
    auto conn = open_database(path);
    EXPECT_TRUE(conn.has_value());
    auto stmt = conn->prepare(
        "INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at,"
        " updated_at, archived_at, is_locked) VALUES (?1, ?2, ?3, 'pink', ?4, 7, 'c', 'u', ?5,"
        " ?6)");
    EXPECT_TRUE(stmt.has_value());
    const auto body = protect_body(std::string_view("an earlier note")).value();
    struct Row {
      const char* id;
      const char* state;
      bool with_body;
      int locked;
    };
    for (const Row row :
         {Row{"earlier-1", "active", true, 0}, Row{"earlier-2", "archived", false, 0},
          Row{"earlier-3", "active", true, 1}}) {
      EXPECT_TRUE(stmt->bind_text(1, row.id));
      EXPECT_TRUE(stmt->bind_text(2, std::string("title of ") + row.id));
      EXPECT_TRUE(row.with_body ? stmt->bind_blob(3, body) : stmt->bind_null(3));
      EXPECT_TRUE(stmt->bind_text(4, row.state));
      EXPECT_TRUE(std::string_view(row.state) == "archived" ? stmt->bind_text(5, "a")
                                                            : stmt->bind_null(5));
      EXPECT_TRUE(stmt->bind_int64(6, row.locked));
      EXPECT_TRUE(stmt->run());
      EXPECT_TRUE(stmt->reset());
    }
  }  // closing the last connection checkpoints the log into the file
  EXPECT_FALSE(fs::exists(path + "-wal"));
  return testing::file_bytes(path);
}

void place(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  fs::remove(path + "-wal", ec);
  fs::remove(path + "-shm", ec);
  testing::write_bytes(path, bytes);
}

// The demo rows are those whose id is not one of `earlier`.
std::size_t demo_rows(const testing::NoteImages& now, const testing::NoteImages& earlier) {
  std::size_t n = 0;
  for (const auto& [id, image] : now) n += earlier.count(id) == 0 ? 1U : 0U;
  return n;
}

TEST_F(FaultInjection, SeedingKeepsEarlierNotesAndAddsAllOrNothing) {
  const std::string path = tmp_ / "norvane.db";
  const std::string original = earlier_notes_file(path);
  const testing::NoteImages earlier = testing::note_images(testing::open_for_inspection(path));
  ASSERT_EQ(earlier.size(), 3U);

  bool seeded = false;
  bool open_after_failure = false;
  int failed_runs = 0;
  const int points =
      loop([&] { place(path, original); },
           [&](const FaultPlan&) {
             auto conn = open_database(path);  // armed: opening counts as part of the run
             seeded = false;
             open_after_failure = false;
             if (!conn) return;
             {
               const testing::SilencedStdout quiet;
               seeded = seeder::seed_demo_notes(*conn).has_value();
             }
             open_after_failure = !seeded && !conn->is_autocommit();
             failed_runs += seeded ? 0 : 1;
           },
           [&](const FaultPlan& plan) {
             SCOPED_TRACE(trial_name(plan));
             EXPECT_FALSE(open_after_failure) << "a failed seeding left its transaction open";
             // The next run opens the file as it is and finds it sound.
             auto conn = open_database(path);
             ASSERT_TRUE(conn.has_value()) << conn.error().debug();
             const std::string integrity = testing::integrity_of(*conn);
             const testing::NoteImages now = testing::note_images(*conn);
             const std::size_t added = demo_rows(now, earlier);
             bool ok = integrity == "ok";
             EXPECT_EQ(integrity, "ok");
             for (const auto& [id, image] : earlier) {
               const auto it = now.find(id);
               ok = ok && it != now.end() && it->second == image;
               EXPECT_TRUE(it != now.end() && it->second == image) << "earlier note " << id;
             }
             ok = ok && added == (seeded ? 50U : 0U);
             EXPECT_EQ(added, seeded ? 50U : 0U)
                 << "seeding reported " << (seeded ? "success" : "failure");
             auto listed = list_notes(*conn, std::nullopt);
             ok = ok && listed.has_value();
             EXPECT_TRUE(listed.has_value()) << listed.error().debug();
             if (!ok) note_failure();
           });
  std::printf("[ fault points ] seeding: %d I/O calls, each failed in every way\n", points);
  EXPECT_GT(points, 20);
  EXPECT_GT(failed_runs, points / 2) << "the faults did not reach the engine";
}

TEST_F(FaultInjection, AClearingRunEndsWithTheOldNotesNoNotesOrTheWholeBatch) {
  const std::string data = tmp_ / "data";
  const std::string path = data + "/Norvane/norvane.db";
  fs::create_directories(data + "/Norvane");
  const std::string original = earlier_notes_file(path);
  const testing::NoteImages earlier = testing::note_images(testing::open_for_inspection(path));
  ::setenv("NORVANE_DATA_DIR", data.c_str(), 1);
  const std::string err_path = tmp_ / "stderr.txt";

  int status = -1;
  std::string err;
  int failed_runs = 0;
  const int points =
      loop([&] { place(path, original); },
           [&](const FaultPlan&) {
             const std::array<std::string_view, 2> words = {"seed_notes", "--clear"};
             const testing::SilencedStdout quiet;
             const testing::CapturedStderr captured(err_path);
             status = seeder::run(words);
             err = captured.text();
             failed_runs += status == 0 ? 0 : 1;
           },
           [&](const FaultPlan& plan) {
             SCOPED_TRACE(trial_name(plan));
             bool ok = true;
             if (status == 0) {
               ok = err.empty();
               EXPECT_EQ(err, "");
             } else {
               // One line: "Error: " and the debug form.
               ok = status == 1 && err.starts_with("Error: ") && err.ends_with("\n") &&
                    err.find('\n') == err.size() - 1;
               EXPECT_EQ(status, 1);
               EXPECT_TRUE(err.starts_with("Error: ") && err.find('\n') == err.size() - 1) << err;
             }
             auto conn = open_database(path);
             ASSERT_TRUE(conn.has_value()) << conn.error().debug();
             const std::string integrity = testing::integrity_of(*conn);
             EXPECT_EQ(integrity, "ok");
             const testing::NoteImages now = testing::note_images(*conn);
             const std::size_t added = demo_rows(now, earlier);
             // Nothing committed, the clearing committed, or clearing and seeding committed.
             const bool unchanged = now == earlier;
             const bool cleared = now.empty();
             const bool replaced = added == 50 && now.size() == 50;
             EXPECT_TRUE(unchanged || cleared || replaced)
                 << now.size() << " notes, " << added << " of them new";
             if (status == 0) {
               EXPECT_TRUE(replaced) << "the run reported success";
             }
             ok = ok && integrity == "ok" && (unchanged || cleared || replaced) &&
                  (status != 0 || replaced);
             if (!ok) note_failure();
           });
  ::unsetenv("NORVANE_DATA_DIR");
  std::printf("[ fault points ] clearing run: %d I/O calls, each failed in every way\n", points);
  EXPECT_GT(points, 20);
  EXPECT_GT(failed_runs, points / 2) << "the faults did not reach the engine";
}

// The old tables with rows in them, in WAL mode.
constexpr std::string_view kOldRows =
    "PRAGMA journal_mode = WAL;"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)"
    " INSERT INTO notes (id, title, body_enc, state, sort_order, created_at, updated_at)"
    " SELECT 'old-' || i, 'title ' || i, randomblob(200 + i), 'active', i, 't' || i, 'u' || i"
    " FROM n;"
    "INSERT INTO deleted_note_undo VALUES ('d', 'gone', x'0102', 'pink', 'active', 3, 't', 't',"
    " NULL, 't');"
    "INSERT INTO vault_meta VALUES (1, x'01', x'02', x'03', x'04', 6, 'c', 'u');";

// Every column that the old schema had, for every table, as text images.
std::set<std::string> old_content(const Connection& conn) {
  std::set<std::string> rows;
  for (const char* sql :
       {"SELECT 'n' || quote(id) || quote(title) || quote(body_enc) || quote(color) ||"
        " quote(state) || quote(sort_order) || quote(created_at) || quote(updated_at) ||"
        " quote(archived_at) FROM notes",
        "SELECT 'd' || quote(id) || quote(title) || quote(body_enc) || quote(color) ||"
        " quote(state) || quote(sort_order) || quote(created_at) || quote(updated_at) ||"
        " quote(archived_at) || quote(deleted_at) FROM deleted_note_undo",
        "SELECT 'v' || quote(id) || quote(pin_salt) || quote(wrapped_dek_pin) ||"
        " quote(recovery_salt) || quote(wrapped_dek_recovery) || quote(created_at) ||"
        " quote(updated_at) FROM vault_meta"}) {
    auto stmt = conn.prepare(sql);
    EXPECT_TRUE(stmt.has_value()) << sql << ": " << stmt.error().debug();
    if (!stmt) continue;
    while (stmt->step().value_or(false)) rows.emplace(stmt->column_text(0).value_or("?"));
  }
  return rows;
}

bool has_column(const Connection& conn, const std::string& table, const std::string& column) {
  auto stmt = conn.prepare("SELECT 1 FROM pragma_table_info('" + table + "') WHERE name = '" +
                           column + "'");
  return stmt && stmt->step().value_or(false);
}

TEST_F(FaultInjection, AnInterruptedMigrationLosesNothingAndTheNextOpenCompletesIt) {
  const std::string path = tmp_ / "old.db";
  {
    auto conn = Connection::open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    ASSERT_TRUE(conn.has_value());
    ASSERT_TRUE(conn->execute_batch(testing::kOldSchemaTables));
    ASSERT_TRUE(conn->execute_batch(kOldRows));
  }
  const std::string original = testing::file_bytes(path);
  const std::set<std::string> before = old_content(testing::open_for_inspection(path));
  ASSERT_EQ(before.size(), 42U);

  bool opened = false;
  int failed_runs = 0;
  const int points =
      loop([&] { place(path, original); },
           [&](const FaultPlan&) {
             opened = open_database(path).has_value();
             failed_runs += opened ? 0 : 1;
           },
           [&](const FaultPlan& plan) {
             SCOPED_TRACE(trial_name(plan));
             bool ok = true;
             {
               const Connection look = testing::open_for_inspection(path);
               const std::string integrity = testing::integrity_of(look);
               EXPECT_EQ(integrity, "ok");
               const bool same = old_content(look) == before;
               EXPECT_TRUE(same) << "old rows changed";
               const bool migrated = has_column(look, "notes", "is_locked") &&
                                     has_column(look, "deleted_note_undo", "is_locked") &&
                                     !has_column(look, "vault_meta", "pin_length");
               if (opened) {
                 EXPECT_TRUE(migrated) << "open_database reported success";
               }
               ok = integrity == "ok" && same && (!opened || migrated);
             }
             // The next open finishes whatever was left undone.
             auto conn = open_database(path);
             ASSERT_TRUE(conn.has_value()) << conn.error().debug();
             const bool complete = has_column(*conn, "notes", "is_locked") &&
                                   has_column(*conn, "deleted_note_undo", "is_locked") &&
                                   !has_column(*conn, "vault_meta", "pin_length") &&
                                   old_content(*conn) == before;
             EXPECT_TRUE(complete);
             if (!ok || !complete) note_failure();
           });
  std::printf("[ fault points ] migration: %d I/O calls, each failed in every way\n", points);
  EXPECT_GT(points, 10);
  EXPECT_GT(failed_runs, points / 2) << "the faults did not reach the engine";
}

}  // namespace
}  // namespace norvane

#include "norvane/db/connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "db/engine_error.h"
#include "db/open_file.h"
#include "platform/clock.h"

namespace norvane {

namespace {

bool is_busy(const DbError& error) {
  const auto* failure = error.get_if<db_error::SqliteFailure>();
  return failure != nullptr && (failure->extended_code & 0xff) == SQLITE_BUSY;
}

// Puts the connection's own busy timeout back once it has been shortened.
class BusyTimeoutRestore {
 public:
  BusyTimeoutRestore(sqlite3* db, int milliseconds) noexcept : db_(db), ms_(milliseconds) {}
  BusyTimeoutRestore(const BusyTimeoutRestore&) = delete;
  BusyTimeoutRestore& operator=(const BusyTimeoutRestore&) = delete;
  ~BusyTimeoutRestore() {
    if (shortened_) ::sqlite3_busy_timeout(db_, ms_);
  }
  void shorten_to(int milliseconds) noexcept {
    shortened_ = true;
    ::sqlite3_busy_timeout(db_, milliseconds);
  }

 private:
  sqlite3* db_;
  int ms_;
  bool shortened_ = false;
};

// Some lock conflicts get "busy" at once, without the busy handler: a
// connection that holds a read lock and needs the write lock while another
// connection holds that (PRAGMA journal_mode = WAL on a file that another
// opener is still creating), or a write on a WAL snapshot that another
// connection has moved past. Resetting the statement gives up its read lock,
// so stepping it again later can succeed. The busy handler is given only the
// time that is left, so the statement waits no longer than the timeout in all.
std::expected<void, DbError> run_waiting(sqlite3* db, Statement& stmt, int busy_timeout_ms) {
  constexpr std::uint64_t kNsPerMs = 1'000'000;
  constexpr int kLongestPauseMs = 25;
  const std::uint64_t deadline =
      platform::monotonic_nanoseconds() +
      static_cast<std::uint64_t>(std::max(busy_timeout_ms, 0)) * kNsPerMs;
  const auto ms_left = [deadline](std::uint64_t now) {
    return static_cast<int>((deadline - now + kNsPerMs - 1) / kNsPerMs);
  };
  BusyTimeoutRestore timeout(db, busy_timeout_ms);
  int pause_ms = 1;
  for (;;) {
    auto ran = stmt.run();
    if (ran || !is_busy(ran.error()) || ::sqlite3_get_autocommit(db) == 0) return ran;
    (void)::sqlite3_reset(stmt.handle());  // repeats the busy answer
    std::uint64_t now = platform::monotonic_nanoseconds();
    if (now >= deadline) return ran;
    ::sqlite3_sleep(std::min(pause_ms, ms_left(now)));
    pause_ms = std::min(pause_ms * 2, kLongestPauseMs);
    now = platform::monotonic_nanoseconds();
    if (now >= deadline) return ran;
    timeout.shorten_to(ms_left(now));
  }
}

}  // namespace

DbError engine_error(sqlite3* db, int rc) {
  // The connection's message describes `rc` only while it is the
  // connection's latest result; otherwise fall back to the code's own text.
  const char* message = (db != nullptr && ::sqlite3_extended_errcode(db) == rc)
                            ? ::sqlite3_errmsg(db)
                            : ::sqlite3_errstr(rc);
  return DbError::sqlite(rc,
                         message != nullptr ? std::optional<std::string>(message) : std::nullopt);
}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    close();
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

void Connection::close() noexcept {
  if (db_ != nullptr) {
    // close_v2 defers the close until every statement is finalized, so a
    // statement that outlives its connection cannot leave a dangling handle.
    ::sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

std::expected<Connection, DbError> open_file(std::string_view path, const std::string& engine_name,
                                             int flags) {
  if (const auto nul = path.find('\0'); nul != std::string_view::npos) {
    return std::unexpected(DbError(db_error::NulError{nul}));
  }
  sqlite3* raw = nullptr;
  const int rc = ::sqlite3_open_v2(engine_name.c_str(), &raw, flags, nullptr);
  Connection conn(raw);  // owns the handle on every path, failure included
  if (rc != SQLITE_OK) {
    DbError err = raw != nullptr ? engine_error(raw, ::sqlite3_extended_errcode(raw))
                                 : engine_error(nullptr, rc);
    if ((rc & 0xff) == SQLITE_CANTOPEN) {
      const auto* failure = err.get_if<db_error::SqliteFailure>();
      const std::string base = failure && failure->message ? *failure->message : "";
      err = DbError::sqlite(failure ? failure->extended_code : rc, base + ": " + std::string(path));
    }
    return std::unexpected(std::move(err));
  }
  return conn;
}

std::expected<Connection, DbError> Connection::open(std::string_view path, int flags) {
  return open_file(path, std::string(path), flags);
}

std::expected<Statement, DbError> Connection::prepare(std::string_view sql) const {
  if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
    return std::unexpected(DbError(db_error::TooLarge{sql.size()}));
  }
  if (const auto nul = sql.find('\0'); nul != std::string_view::npos) {
    return std::unexpected(DbError(db_error::NulError{nul}));
  }
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc = ::sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
  Statement stmt(raw);
  if (rc != SQLITE_OK) return std::unexpected(error(rc));
  if (tail != nullptr) {
    for (const char* p = tail; p < sql.data() + sql.size(); ++p) {
      if (std::strchr(" \t\r\n\f\v", *p) == nullptr) {
        return std::unexpected(DbError(db_error::MultipleStatements{}));
      }
    }
  }
  return stmt;
}

std::expected<void, DbError> Connection::execute(std::string_view sql) const {
  auto stmt = prepare(sql);
  if (!stmt) return std::unexpected(std::move(stmt.error()));
  return stmt->run();
}

std::expected<void, DbError> Connection::execute_batch(std::string_view sql) const {
  return run_batch(sql, std::nullopt);
}

std::expected<void, DbError> Connection::execute_batch_waiting(std::string_view sql,
                                                               int busy_timeout_ms) const {
  return run_batch(sql, busy_timeout_ms);
}

std::expected<void, DbError> Connection::run_batch(std::string_view sql,
                                                   std::optional<int> busy_timeout_ms) const {
  if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
    return std::unexpected(DbError(db_error::TooLarge{sql.size()}));
  }
  if (const auto nul = sql.find('\0'); nul != std::string_view::npos) {
    return std::unexpected(DbError(db_error::NulError{nul}));
  }
  const char* rest = sql.data();
  const char* const end = sql.data() + sql.size();
  while (rest < end) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = ::sqlite3_prepare_v2(db_, rest, static_cast<int>(end - rest), &raw, &tail);
    Statement stmt(raw);
    if (rc != SQLITE_OK) return std::unexpected(error(rc));
    rest = tail;
    if (!stmt.valid()) continue;  // only white space or a comment was left
    auto ran = busy_timeout_ms ? run_waiting(db_, stmt, *busy_timeout_ms) : stmt.run();
    if (!ran) return ran;
  }
  return {};
}

std::expected<void, DbError> Connection::set_busy_timeout(int milliseconds) const {
  const int rc = ::sqlite3_busy_timeout(db_, milliseconds);
  if (rc != SQLITE_OK) return std::unexpected(error(rc));
  return {};
}

void Connection::set_extended_result_codes(bool on) const noexcept {
  ::sqlite3_extended_result_codes(db_, on ? 1 : 0);
}

bool Connection::is_autocommit() const noexcept {
  return ::sqlite3_get_autocommit(db_) != 0;
}

DbError Connection::error(int rc) const {
  return engine_error(db_, rc);
}

}  // namespace norvane

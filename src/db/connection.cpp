#include "norvane/db/connection.h"

#include <sqlite3.h>

#include <climits>
#include <cstring>

#include "db/engine_error.h"
#include "db/open_file.h"
#include "db/statement_batch.h"

namespace norvane {

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
  return for_each_statement(*this, sql, [](Statement& stmt) { return stmt.run(); });
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

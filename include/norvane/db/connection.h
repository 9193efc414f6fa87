// An open SQLite connection: a thin owner of an sqlite3 handle whose failures
// come back as database-engine errors.
//
// Thread-safety: connections are opened without a mutex of their own
// (SQLITE_OPEN_NOMUTEX), so a connection and the statements prepared on it
// must be used by one thread at a time; the caller serialises any sharing.
// Separate connections, to the same database or not, may be used from
// separate threads at once: the engine's locks order them, and a statement
// that finds the database locked waits up to the busy timeout. Body
// protection keeps its caches per thread (see norvane/protect/body.h), so
// list_notes on one connection per thread needs no locking either.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "norvane/db/statement.h"
#include "norvane/error/db_error.h"

struct sqlite3;

namespace norvane {

class Connection {
 public:
  Connection() = default;
  explicit Connection(sqlite3* db) noexcept : db_(db) {}
  Connection(Connection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { close(); }

  // Opens `path` (UTF-8, no NUL) with sqlite3_open_v2 and `flags` on the
  // default VFS. On failure nothing stays open.
  [[nodiscard]] static std::expected<Connection, DbError> open(std::string_view path, int flags);

  [[nodiscard]] sqlite3* handle() const noexcept { return db_; }

  // Prepares exactly one statement.
  [[nodiscard]] std::expected<Statement, DbError> prepare(std::string_view sql) const;
  // Prepares one statement and steps it to completion; any rows are ignored.
  [[nodiscard]] std::expected<void, DbError> execute(std::string_view sql) const;
  // Prepares and steps each statement of `sql` in text order, exactly once
  // each; rows are ignored. The first failure ends the batch.
  [[nodiscard]] std::expected<void, DbError> execute_batch(std::string_view sql) const;
  // The same, for a batch that must not fail on a lock that the engine
  // refuses without waiting: a statement answered with "busy" is reset and
  // stepped again after a short sleep, until it succeeds or
  // `busy_timeout_ms` (the connection's busy timeout) have passed since its
  // first step; the busy handler only gets what is left of that time. Outside
  // autocommit mode a busy answer ends the batch at once.
  [[nodiscard]] std::expected<void, DbError> execute_batch_waiting(std::string_view sql,
                                                                   int busy_timeout_ms) const;

  [[nodiscard]] std::expected<void, DbError> set_busy_timeout(int milliseconds) const;
  void set_extended_result_codes(bool on) const noexcept;
  // True while no explicit transaction is open.
  [[nodiscard]] bool is_autocommit() const noexcept;

  // The engine failure for result code `rc`, with the connection's message.
  [[nodiscard]] DbError error(int rc) const;

  // Closes the connection; a failure to close is ignored.
  void close() noexcept;

 private:
  [[nodiscard]] std::expected<void, DbError> run_batch(std::string_view sql,
                                                       std::optional<int> busy_timeout_ms) const;

  sqlite3* db_ = nullptr;
};

}  // namespace norvane

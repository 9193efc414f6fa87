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
//
// Locks held by others: on a connection that open_database made, a statement
// that finds the database locked waits for up to 5000 ms from its first busy
// answer, trying again about every millisecond (every second millisecond
// once it has waited a second), then fails with the engine's busy error. This
// is a busy handler of the library's own, not SQLite's (so PRAGMA
// busy_timeout reads 0). A caller that sets a busy handler or a busy timeout
// of its own on the connection (sqlite3_busy_handler, sqlite3_busy_timeout,
// PRAGMA busy_timeout, set_busy_timeout below) replaces it, for every
// statement from then on. The engine does not call a busy handler for a
// statement that gets "busy" inside an open transaction when waiting could
// not help: that statement fails at once.
#pragma once

#include <expected>
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

  // SQLite's own busy handler with `milliseconds` in all (sqlite3_busy_timeout),
  // in place of any busy handler set before, the library's own included.
  [[nodiscard]] std::expected<void, DbError> set_busy_timeout(int milliseconds) const;
  void set_extended_result_codes(bool on) const noexcept;
  // True while no explicit transaction is open.
  [[nodiscard]] bool is_autocommit() const noexcept;

  // The engine failure for result code `rc`, with the connection's message.
  [[nodiscard]] DbError error(int rc) const;

  // Closes the connection; a failure to close is ignored.
  void close() noexcept;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace norvane

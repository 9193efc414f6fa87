// Splitting a text of several SQL statements into its statements.
#pragma once

#include <sqlite3.h>

#include <climits>
#include <cstddef>
#include <expected>
#include <string_view>
#include <utility>

#include "norvane/db/connection.h"
#include "norvane/db/statement.h"
#include "norvane/error/db_error.h"

namespace norvane {

// Prepares the statements of `sql` on `conn` one after the other, in text
// order, and hands each to `run` (std::expected<void, DbError>(Statement&))
// before the next is prepared. The first failure ends the batch.
template <class Run>
[[nodiscard]] std::expected<void, DbError> for_each_statement(const Connection& conn,
                                                              std::string_view sql, Run&& run) {
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
    const int rc =
        ::sqlite3_prepare_v2(conn.handle(), rest, static_cast<int>(end - rest), &raw, &tail);
    Statement stmt(raw);
    if (rc != SQLITE_OK) return std::unexpected(conn.error(rc));
    rest = tail;
    if (!stmt.valid()) continue;  // only white space or a comment was left
    if (auto ran = std::forward<Run>(run)(stmt); !ran) return ran;
  }
  return {};
}

}  // namespace norvane

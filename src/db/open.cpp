#include "norvane/db/open.h"

#include <sqlite3.h>

#include "db/busy_wait.h"
#include "db/file_name.h"
#include "db/open_file.h"
#include "db/open_settings.h"
#include "db/schema.h"
#include "norvane/text/utf8.h"

namespace norvane {

namespace {

std::expected<void, DbError> migrate(const Connection& conn) {
  for (const auto& migration : schema::kMigrations) {
    bool has_row = false;
    {
      auto check = conn.prepare(migration.check);
      if (!check) return std::unexpected(std::move(check.error()));
      auto row = check->step();
      if (!row) return std::unexpected(std::move(row.error()));
      has_row = *row;
    }  // the check is finalized before its change runs
    if (has_row == migration.change_when_row) {
      if (auto changed = conn.execute(migration.change); !changed) return changed;
    }
  }
  return {};
}

}  // namespace

std::expected<Connection, AppError> open_database(std::string_view path) {
  return open_database(path, system_wait_clock());
}

std::expected<Connection, AppError> open_database(std::string_view path, WaitClock& clock) {
  if (!validate_utf8(path))
    return std::unexpected(AppError(DbError(db_error::InvalidPath{std::string(path)})));
  auto conn = open_file(path, engine_file_name(path), kOpenFlags);
  if (!conn) return std::unexpected(AppError(std::move(conn.error())));
  conn->set_extended_result_codes(true);
  if (auto waiting = wait_when_busy(*conn, clock); !waiting) {
    return std::unexpected(AppError(std::move(waiting.error())));
  }
  if (auto batch = execute_batch_waiting(*conn, schema::kBatch, clock); !batch) {
    return std::unexpected(AppError(std::move(batch.error())));
  }
  if (auto migrated = migrate(*conn); !migrated) {
    return std::unexpected(AppError(std::move(migrated.error())));
  }
  return std::move(*conn);
}

}  // namespace norvane

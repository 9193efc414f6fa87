// Turning an SQLite result code into a database-engine error.
#pragma once

#include "norvane/error/db_error.h"

struct sqlite3;

namespace norvane {

// The engine failure for result code `rc` on `db` (which may be null).
[[nodiscard]] DbError engine_error(sqlite3* db, int rc);

}  // namespace norvane

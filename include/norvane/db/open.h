// Opening the note database and bringing its schema up to date.
#pragma once

#include <expected>
#include <string_view>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"

namespace norvane {

// Opens (creating if needed) the database at `path` (as database_path()
// gives it) read-write, with URI names and without a mutex of its own (see
// Connection), sets extended result codes and the library's busy handler
// (a wait of up to 5000 ms per statement, see Connection), runs the schema
// batch and the migrations. `path` is always the path of a
// file: one that begins with "file:" is not read as a URI. On any failure the
// connection is closed and a Database error returned.
[[nodiscard]] std::expected<Connection, AppError> open_database(std::string_view path);

}  // namespace norvane

// Opening a database file under a name of the engine's own.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "norvane/db/connection.h"
#include "norvane/error/db_error.h"

namespace norvane {

// Opens the file at `path`, handing it to the engine as `engine_name` (which
// names the same file), with `flags` on the default VFS. A NUL is reported at
// its position in `path`, and a failure to open names `path`: the caller sees
// its own path. On failure nothing stays open.
[[nodiscard]] std::expected<Connection, DbError> open_file(std::string_view path,
                                                           const std::string& engine_name,
                                                           int flags);

}  // namespace norvane

// Opening the note database and bringing its schema up to date.
#pragma once

#include <expected>
#include <string_view>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"

namespace norvane {

// The flags every connection is opened with: read-write, create, URI names,
// no mutex of its own.
inline constexpr int kOpenFlags = 0x00000002 | 0x00000004 | 0x00000040 | 0x00008000;
inline constexpr int kBusyTimeoutMs = 5000;

// Opens (creating if needed) the database at `path`, sets extended result
// codes and the busy timeout, runs the schema batch and the migrations. On
// any failure the connection is closed and a Database error returned.
[[nodiscard]] std::expected<Connection, AppError> open_database(std::string_view path);

}  // namespace norvane

// The settings every connection of the note store is opened with.
#pragma once

#include <sqlite3.h>

namespace norvane {

// Read-write, create, URI names, no mutex of its own.
inline constexpr int kOpenFlags =
    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
// How long a statement waits in all for another connection's locks (db/busy_wait.h).
inline constexpr int kBusyTimeoutMs = 5000;

}  // namespace norvane

// The tables of a database written before locked notes existed: no
// `is_locked` in `notes` and `deleted_note_undo`, and `pin_length` still in
// `vault_meta`.
#pragma once

#include <string_view>

namespace norvane::testing {

inline constexpr std::string_view kOldSchemaTables =
    "CREATE TABLE notes (id TEXT PRIMARY KEY, title TEXT NOT NULL DEFAULT '', body_enc BLOB,"
    " color TEXT NOT NULL DEFAULT 'yellow', state TEXT NOT NULL DEFAULT 'active',"
    " sort_order INTEGER NOT NULL DEFAULT 0, created_at TEXT NOT NULL,"
    " updated_at TEXT NOT NULL, archived_at TEXT);"
    "CREATE TABLE deleted_note_undo (id TEXT PRIMARY KEY, title TEXT NOT NULL, body_enc BLOB,"
    " color TEXT NOT NULL, state TEXT NOT NULL, sort_order INTEGER NOT NULL,"
    " created_at TEXT NOT NULL, updated_at TEXT NOT NULL, archived_at TEXT,"
    " deleted_at TEXT NOT NULL);"
    "CREATE TABLE vault_meta (id INTEGER PRIMARY KEY CHECK (id = 1), pin_salt BLOB NOT NULL,"
    " wrapped_dek_pin BLOB NOT NULL, recovery_salt BLOB NOT NULL,"
    " wrapped_dek_recovery BLOB NOT NULL, pin_length INTEGER NOT NULL DEFAULT 4,"
    " created_at TEXT NOT NULL, updated_at TEXT NOT NULL);";

}  // namespace norvane::testing

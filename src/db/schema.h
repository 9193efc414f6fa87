// The schema of the note database and its in-place migrations.
#pragma once

#include <array>
#include <string_view>

namespace norvane::schema {

// Run on every open. Not wrapped in a transaction.
inline constexpr std::string_view kBatch =
    "PRAGMA journal_mode = WAL;\n"
    "         PRAGMA synchronous = NORMAL;\n"
    "          CREATE TABLE IF NOT EXISTS notes (\n"
    "              id          TEXT PRIMARY KEY,\n"
    "              title       TEXT NOT NULL DEFAULT '',\n"
    "              body_enc    BLOB,\n"
    "              color       TEXT NOT NULL DEFAULT 'yellow',\n"
    "              state       TEXT NOT NULL DEFAULT 'active',\n"
    "              sort_order  INTEGER NOT NULL DEFAULT 0,\n"
    "              created_at  TEXT NOT NULL,\n"
    "              updated_at  TEXT NOT NULL,\n"
    "              archived_at TEXT,\n"
    "              is_locked   INTEGER NOT NULL DEFAULT 0\n"
    "          );\n"
    "          CREATE TABLE IF NOT EXISTS settings (\n"
    "              key         TEXT PRIMARY KEY,\n"
    "              value       TEXT NOT NULL\n"
    "          );\n"
    "          CREATE TABLE IF NOT EXISTS deleted_note_undo (\n"
    "              id          TEXT PRIMARY KEY,\n"
    "              title       TEXT NOT NULL,\n"
    "              body_enc    BLOB,\n"
    "              color       TEXT NOT NULL,\n"
    "              state       TEXT NOT NULL,\n"
    "              sort_order  INTEGER NOT NULL,\n"
    "              created_at  TEXT NOT NULL,\n"
    "              updated_at  TEXT NOT NULL,\n"
    "              archived_at TEXT,\n"
    "              deleted_at  TEXT NOT NULL,\n"
    "              is_locked   INTEGER NOT NULL DEFAULT 0\n"
    "          );\n"
    "          CREATE TABLE IF NOT EXISTS vault_meta (\n"
    "              id                   INTEGER PRIMARY KEY CHECK (id = 1),\n"
    "              pin_salt             BLOB NOT NULL,\n"
    "              wrapped_dek_pin      BLOB NOT NULL,\n"
    "              recovery_salt        BLOB NOT NULL,\n"
    "              wrapped_dek_recovery BLOB NOT NULL,\n"
    "              created_at           TEXT NOT NULL,\n"
    "              updated_at           TEXT NOT NULL\n"
    "          );\n"
    "          CREATE TABLE IF NOT EXISTS floating_notes (\n"
    "              note_id     TEXT PRIMARY KEY,\n"
    "              x           INTEGER NOT NULL,\n"
    "              y           INTEGER NOT NULL,\n"
    "              width       INTEGER NOT NULL,\n"
    "              height      INTEGER NOT NULL,\n"
    "              on_top      INTEGER NOT NULL DEFAULT 1,\n"
    "              is_open     INTEGER NOT NULL DEFAULT 0\n"
    "          );\n"
    "          CREATE INDEX IF NOT EXISTS idx_notes_state ON notes(state);\n"
    "          CREATE INDEX IF NOT EXISTS idx_notes_sort ON notes(sort_order);";

struct Migration {
  std::string_view check;
  bool change_when_row;  // run the change when the check yields a row (else when it yields none)
  std::string_view change;
};

inline constexpr std::array<Migration, 3> kMigrations{{
    {"SELECT 1 FROM pragma_table_info('notes') WHERE name = 'is_locked'", false,
     "ALTER TABLE notes ADD COLUMN is_locked INTEGER NOT NULL DEFAULT 0"},
    {"SELECT 1 FROM pragma_table_info('deleted_note_undo') WHERE name = 'is_locked'", false,
     "ALTER TABLE deleted_note_undo ADD COLUMN is_locked INTEGER NOT NULL DEFAULT 0"},
    {"SELECT 1 FROM pragma_table_info('vault_meta') WHERE name = 'pin_length'", true,
     "ALTER TABLE vault_meta DROP COLUMN pin_length"},
}};

}  // namespace norvane::schema

// The note list query.
#pragma once

#include <expected>
#include <optional>
#include <string_view>
#include <vector>

#include "norvane/db/connection.h"
#include "norvane/db/note.h"
#include "norvane/error/app_error.h"
#include "norvane/protect/vault_key.h"

namespace norvane {

// Every note the filter selects (exactly "active", exactly "archived", or
// anything else for all notes, active first), in the list's order, each body
// turned back into text. Locked notes come back with an empty body. The first bad
// row or body fails the whole call.
[[nodiscard]] std::expected<std::vector<Note>, AppError> list_notes(
    const Connection& conn, std::optional<std::string_view> filter);

// As list_notes; with a vault key, locked bodies are decrypted too.
[[nodiscard]] std::expected<std::vector<Note>, AppError> list_notes_with_key(
    const Connection& conn, std::optional<std::string_view> filter,
    std::optional<VaultKey> vault_key);

}  // namespace norvane

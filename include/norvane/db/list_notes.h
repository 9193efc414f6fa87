// The note list query.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "norvane/db/connection.h"
#include "norvane/db/note.h"
#include "norvane/error/app_error.h"

namespace norvane {

// The statement texts, chosen by the filter: exactly "active", exactly
// "archived", or anything else (all notes, active first).
[[nodiscard]] std::string_view list_statement(std::optional<std::string_view> filter) noexcept;

// Every note the filter selects, in the statement's order, each body turned
// back into text. Locked notes come back with an empty body. The first bad
// row or body fails the whole call.
[[nodiscard]] std::expected<std::vector<Note>, AppError> list_notes(
    const Connection& conn, std::optional<std::string_view> filter);

// As list_notes; with a vault key, locked bodies are decrypted too.
[[nodiscard]] std::expected<std::vector<Note>, AppError> list_notes_with_key(
    const Connection& conn, std::optional<std::string_view> filter,
    std::optional<std::span<const std::uint8_t, 32>> vault_key);

}  // namespace norvane

// The statement texts of the note list query.
#pragma once

#include <optional>
#include <string_view>

namespace norvane {

// Chosen by the filter: exactly "active", exactly "archived", or anything
// else (all notes, active first).
[[nodiscard]] std::string_view list_statement(std::optional<std::string_view> filter) noexcept;

}  // namespace norvane

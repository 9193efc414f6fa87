// The note record as the note store hands it out, and the note state.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

enum class NoteState { Active, Archived };

// "active" or "archived": the text stored in the `state` column.
[[nodiscard]] constexpr std::string_view to_text(NoteState state) noexcept {
  return state == NoteState::Active ? "active" : "archived";
}

// Parses a stored state text after full Unicode lower-casing. The error is
// "Unknown note state: '<lower-cased text>'".
[[nodiscard]] std::expected<NoteState, std::string> parse_note_state(std::string_view text);

struct Note {
  std::string id;
  std::string title;
  std::string body;
  std::string color;
  NoteState state = NoteState::Active;
  std::int64_t sort_order = 0;
  std::string created_at;
  std::string updated_at;
  std::optional<std::string> archived_at;
  bool is_locked = false;
};

}  // namespace norvane

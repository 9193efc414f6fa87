#include <optional>
#include <string>
#include <utility>

#include "norvane/db/note.h"
#include "platform/unicode.h"

namespace norvane {

namespace {

// Full Unicode lower-casing, language-neutral (so "I" becomes "i" and
// "İ" becomes "i̇", as the root locale defines). Bytes that are not UTF-8
// become U+FFFD. ASCII text is handled here, so that it never needs ICU.
std::string to_lower_full(std::string_view text) {
  bool ascii = true;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return out;
  }
  // Only an allocation failure inside ICU, or a text too long for it, makes
  // this empty; the text is then left as it is, and does not name a state.
  std::optional<std::string> lower = platform::to_lower_full(text);
  if (!lower) return std::string(text);
  return *std::move(lower);
}

}  // namespace

std::expected<NoteState, std::string> parse_note_state(std::string_view text) {
  // The stored texts themselves need no lower-casing.
  if (text == "active") return NoteState::Active;
  if (text == "archived") return NoteState::Archived;
  std::string lower = to_lower_full(text);
  if (lower == "active") return NoteState::Active;
  if (lower == "archived") return NoteState::Archived;
  return std::unexpected("Unknown note state: '" + lower + "'");
}

}  // namespace norvane

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "norvane/db/note.h"

namespace norvane {

namespace {

// Full Unicode lower-casing, language-neutral (so "I" becomes "i" and
// "İ" becomes "i̇", as the root locale defines).
std::string to_lower_full(std::string_view text) {
  bool ascii = true;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  std::string out;
  if (ascii) {
    out.reserve(text.size());
    for (const char c : text) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return out;
  }
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  u.toLower(icu::Locale::getRoot());
  u.toUTF8String(out);
  return out;
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

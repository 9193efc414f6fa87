#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <limits>

#include "norvane/db/note.h"

namespace norvane {

namespace {

// Runs an ICU string function that writes up to `capacity` units into
// `out`, growing `out` once when the first try reports the size it needs.
template <typename Unit, typename Call>
bool run_growing(std::basic_string<Unit>& out, Call&& call) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t needed = call(out.data(), static_cast<std::int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && needed > 0) {
      out.assign(static_cast<std::size_t>(needed), Unit{});
      continue;
    }
    if (U_FAILURE(status) || needed < 0) return false;
    out.resize(static_cast<std::size_t>(needed));
    return true;
  }
  return false;
}

// Full Unicode lower-casing, language-neutral (so "I" becomes "i" and
// "İ" becomes "i̇", as the root locale defines). Bytes that are not UTF-8
// become U+FFFD.
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
  // ICU counts in 32 bits; lower-casing can triple a text's length.
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 4)) {
    return std::string(text);
  }
  const auto length = static_cast<std::int32_t>(text.size());

  // UTF-16 never needs more units than UTF-8 has bytes.
  std::u16string utf16(text.size(), u'\0');
  const bool decoded = run_growing(utf16, [&](UChar* dest, std::int32_t capacity,
                                              UErrorCode* status) {
    std::int32_t written = 0;
    u_strFromUTF8WithSub(dest, capacity, &written, text.data(), length, 0xFFFD, nullptr, status);
    return written;
  });
  std::u16string lower(utf16.size() + 8, u'\0');
  const bool lowered =
      decoded && run_growing(lower, [&](UChar* dest, std::int32_t capacity, UErrorCode* status) {
        return u_strToLower(dest, capacity, utf16.data(), static_cast<std::int32_t>(utf16.size()),
                            "", status);
      });
  out.assign(lower.size() * 3, '\0');
  const bool encoded =
      lowered && run_growing(out, [&](char* dest, std::int32_t capacity, UErrorCode* status) {
        std::int32_t written = 0;
        u_strToUTF8(dest, capacity, &written, lower.data(), static_cast<std::int32_t>(lower.size()),
                    status);
        return written;
      });
  // Only an allocation failure inside ICU gets here; the text is then left
  // as it is, and does not name a state.
  if (!encoded) return std::string(text);
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

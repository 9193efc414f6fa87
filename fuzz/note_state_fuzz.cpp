// State parsing: exactly the two state words in any capitalisation parse,
// everything else fails with one well-formed message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "norvane/db/note.h"
#include "norvane/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto state = norvane::parse_note_state(input);

  bool ascii = true;
  std::string lower;
  for (const char c : input) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
  }
  if (ascii) {
    // For ASCII text full lower-casing is the plain one.
    if (lower == "active") {
      FUZZ_CHECK(state && *state == norvane::NoteState::Active);
    } else if (lower == "archived") {
      FUZZ_CHECK(state && *state == norvane::NoteState::Archived);
    } else {
      FUZZ_CHECK(!state && state.error() == "Unknown note state: '" + lower + "'");
    }
    return 0;
  }
  // No character outside ASCII lower-cases into the letters of the two words
  // (the Kelvin sign becomes k, which neither holds), and bytes that are not
  // UTF-8 read as U+FFFD: such a text is never a state.
  FUZZ_CHECK(!state);
  const std::string& message = state.error();
  FUZZ_CHECK(message.starts_with("Unknown note state: '") && message.ends_with("'"));
  if (norvane::validate_utf8(input).has_value()) {
    FUZZ_CHECK(norvane::validate_utf8(message).has_value());
  }
  return 0;
}

#include "platform/unicode.h"

#include <cstdint>
#include <limits>

#include "platform/icu_functions.h"

namespace norvane::platform {

namespace icu {

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

}  // namespace

std::int8_t general_category(const Functions* functions, char32_t c) noexcept {
  if (functions == nullptr) return fallback_general_category(c);
  return functions->char_type(static_cast<UChar32>(c));
}

std::optional<std::string> to_lower_full(const Functions* functions, std::string_view utf8) {
  if (functions == nullptr) return fallback_to_lower_full(utf8);
  // ICU counts in 32 bits; lower-casing can triple a text's length.
  if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 4)) {
    return std::nullopt;
  }
  const auto length = static_cast<std::int32_t>(utf8.size());

  // UTF-16 never needs more units than UTF-8 has bytes.
  std::u16string utf16(utf8.size(), u'\0');
  const bool decoded =
      run_growing(utf16, [&](UChar* dest, std::int32_t capacity, UErrorCode* status) {
        std::int32_t written = 0;
        functions->str_from_utf8_with_sub(dest, capacity, &written, utf8.data(), length, 0xFFFD,
                                          nullptr, status);
        return written;
      });
  std::u16string lower(utf16.size() + 8, u'\0');
  const bool lowered =
      decoded && run_growing(lower, [&](UChar* dest, std::int32_t capacity, UErrorCode* status) {
        return functions->str_to_lower(dest, capacity, utf16.data(),
                                       static_cast<std::int32_t>(utf16.size()), "", status);
      });
  std::string out(lower.size() * 3, '\0');
  const bool encoded =
      lowered && run_growing(out, [&](char* dest, std::int32_t capacity, UErrorCode* status) {
        std::int32_t written = 0;
        functions->str_to_utf8(dest, capacity, &written, lower.data(),
                               static_cast<std::int32_t>(lower.size()), status);
        return written;
      });
  // Only an allocation failure inside ICU gets here.
  if (!encoded) return std::nullopt;
  return out;
}

}  // namespace icu

std::int8_t general_category(char32_t c) noexcept {
  return icu::general_category(icu::functions(), c);
}

std::optional<std::string> to_lower_full(std::string_view utf8) {
  return icu::to_lower_full(icu::functions(), utf8);
}

}  // namespace norvane::platform

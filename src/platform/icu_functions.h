// The ICU C functions behind platform/unicode.h, as each backend finds them:
// looked up in the library it loads on first use (libicuuc on POSIX, the
// system's icu.dll on Windows), and each backend's answers without ICU.
#pragma once

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::platform::icu {

struct Functions {
  decltype(&::u_charType) char_type;
  decltype(&::u_strFromUTF8WithSub) str_from_utf8_with_sub;
  decltype(&::u_strToLower) str_to_lower;
  decltype(&::u_strToUTF8) str_to_utf8;
};

// The backend's functions, or nullptr when ICU cannot be loaded. The first
// call loads the library; it then stays loaded for the life of the process.
[[nodiscard]] const Functions* functions() noexcept;

// The backend's answers where ICU cannot be loaded, as platform/unicode.h
// describes them.
[[nodiscard]] std::int8_t fallback_general_category(char32_t c) noexcept;
[[nodiscard]] std::optional<std::string> fallback_to_lower_full(std::string_view utf8);

// platform/unicode.h's operations over the given functions; nullptr selects
// the fallbacks.
[[nodiscard]] std::int8_t general_category(const Functions* functions, char32_t c) noexcept;
[[nodiscard]] std::optional<std::string> to_lower_full(const Functions* functions,
                                                       std::string_view utf8);

}  // namespace norvane::platform::icu

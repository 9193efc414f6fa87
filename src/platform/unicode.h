// The Unicode operations the shared code needs beyond ASCII, backed by ICU.
//
// On Linux ICU (libicuuc) is loaded on the first call, not at process
// start-up; on Windows icu.dll is delay-loaded by its import library, to the
// same effect. A run that meets only ASCII text never loads it.
//
// Should ICU fail to load on Linux (it is a package dependency, so this is
// not expected), the operations degrade instead of failing:
// general_category() reports every character as printable (U_OTHER_SYMBOL),
// and to_lower_full() lower-cases the ASCII letters only, leaving all other
// bytes, ill-formed ones included, as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::platform {

// The general category of `c` (a UCharCategory value, as u_charType gives).
[[nodiscard]] std::int8_t general_category(char32_t c) noexcept;

// Full Unicode lower-casing of UTF-8 text, language-neutral (the root
// locale: "I" becomes "i", "İ" becomes "i̇"). Bytes that are not UTF-8 become
// U+FFFD. Empty when ICU fails (running out of memory) or the text is too
// long for ICU's 32-bit lengths.
[[nodiscard]] std::optional<std::string> to_lower_full(std::string_view utf8);

}  // namespace norvane::platform

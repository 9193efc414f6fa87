// The Unicode operations the shared code needs beyond ASCII, backed by ICU.
//
// ICU is loaded on the first call, not at process start-up: libicuuc on
// Linux, the system's icu.dll on Windows (from the system folder only). A
// run that meets only ASCII text never loads it.
//
// Where ICU cannot be loaded the operations degrade instead of failing:
// - Linux (ICU is a package dependency, so this is not expected):
//   general_category() reports every character as printable
//   (U_OTHER_SYMBOL), and to_lower_full() lower-cases the ASCII letters only,
//   leaving all other bytes, ill-formed ones included, as they are.
// - Windows (before Windows 10 version 1903, and Wine): the answers come from
//   the system's NLS tables. general_category() is exact by code point for
//   Cc, Cs, Co, the noncharacters, Zl and Zp, and for Cf beyond the BMP; in
//   the BMP the system's tables tell Cf (its controls), Zs (its spaces) and
//   Cn (not defined); other characters get a printable category. Beyond the
//   BMP planes 4 to 14 count as unassigned except their format characters
//   and variation selectors, and planes 1 to 3 as printable. to_lower_full()
//   is the system's invariant mapping with the root locale's full mapping of
//   U+0130 and its final sigma (judged by the system's letter and mark
//   classes), and with the lower cases that are no character's upper case
//   (such as U+01C5 and U+212A), which the system's tables may lack; bytes
//   that are not UTF-8 become U+FFFD as with ICU.
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

// UTF-16 text from system calls, made into UTF-8, and back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8.h"

namespace norvane::platform {

#ifdef _WIN32
// Only the Windows backend hands text to the system as UTF-16, or takes
// names from it that must reach it again unchanged.

// UTF-16 for UTF-8 text, decoded as next_code_point (text/utf8.h) does.
[[nodiscard]] std::u16string utf8_to_utf16(std::string_view text, bool wtf8 = false);

// UTF-8 for `text` with every unpaired surrogate kept as its three-byte form
// (WTF-8): utf8_to_utf16(..., true) gives back the very same units.
[[nodiscard]] std::string utf16_to_wtf8(std::u16string_view text);
#endif

// UTF-8 for `text`; every unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string utf16_to_utf8_lossy(std::u16string_view text);

// `text` without its trailing units 0x0009 to 0x000D and 0x0020.
[[nodiscard]] std::u16string_view trim_trailing_space(std::u16string_view text) noexcept;

// A system message as UTF-16: trailing white space dropped (the system ends
// its messages with a line break), the rest made into UTF-8.
[[nodiscard]] std::string message_from_utf16(std::u16string_view text);

}  // namespace norvane::platform

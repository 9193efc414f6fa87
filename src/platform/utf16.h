// UTF-16 text from system calls, made into UTF-8, and UTF-8 encoding.
#pragma once

#include <string>
#include <string_view>

namespace norvane::platform {

// Appends the UTF-8 encoding of `cp`, a Unicode scalar value.
void append_utf8(std::string& out, char32_t cp);

// UTF-8 for `text`; every unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string utf16_to_utf8_lossy(std::u16string_view text);

// `text` without its trailing units 0x0009 to 0x000D and 0x0020.
[[nodiscard]] std::u16string_view trim_trailing_space(std::u16string_view text) noexcept;

// A system message as UTF-16: trailing white space dropped (the system ends
// its messages with a line break), the rest made into UTF-8.
[[nodiscard]] std::string message_from_utf16(std::u16string_view text);

}  // namespace norvane::platform

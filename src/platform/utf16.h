// UTF-16 text from system calls, made into UTF-8, and UTF-8 encoding and
// decoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvane::platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

[[nodiscard]] constexpr bool is_surrogate(char32_t c) noexcept {
  return c >= 0xD800 && c <= 0xDFFF;
}

// Appends the UTF-8 encoding of `cp`, a Unicode scalar value. A surrogate
// code point gets its generalized-UTF-8 form (three bytes, ED A0 80 to
// ED BF BF), as WTF-8 writes it.
void append_utf8(std::string& out, char32_t cp);

// Decodes the code point at `text[i]` and advances `i` past it; `i` must be
// less than text.size(). A maximal ill-formed subpart (the longest prefix of
// a sequence that was acceptable so far, or else one byte) gives U+FFFD.
// With `wtf8` the three-byte form of a surrogate code point is accepted and
// gives that surrogate, so that text holding unpaired UTF-16 surrogates can
// pass through UTF-8 strings unchanged.
[[nodiscard]] char32_t next_code_point(std::string_view text, std::size_t& i,
                                       bool wtf8 = false) noexcept;

// UTF-16 for UTF-8 text, decoded as next_code_point does.
[[nodiscard]] std::u16string utf8_to_utf16(std::string_view text, bool wtf8 = false);

// UTF-8 for `text` with every unpaired surrogate kept as its three-byte form
// (WTF-8): utf8_to_utf16(..., true) gives back the very same units.
[[nodiscard]] std::string utf16_to_wtf8(std::u16string_view text);

// UTF-8 for `text`; every unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string utf16_to_utf8_lossy(std::u16string_view text);

// `text` without its trailing units 0x0009 to 0x000D and 0x0020.
[[nodiscard]] std::u16string_view trim_trailing_space(std::u16string_view text) noexcept;

// A system message as UTF-16: trailing white space dropped (the system ends
// its messages with a line break), the rest made into UTF-8.
[[nodiscard]] std::string message_from_utf16(std::u16string_view text);

}  // namespace norvane::platform

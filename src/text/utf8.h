// UTF-8 inside the library: strict validation (norvane/text/utf8.h),
// decoding with U+FFFD for what is not well-formed, and encoding. Every
// reader and writer of UTF-8 in the library goes through here; WTF-8, the
// form of Windows paths that may hold unpaired surrogates, is a mode of the
// same decoder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "norvane/text/utf8.h"

namespace norvane {

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
// a sequence that was acceptable so far, or else one byte) gives U+FFFD, as
// validate_utf8 measures it. With `wtf8` the three-byte form of a surrogate
// code point is accepted and gives that surrogate, so that text holding
// unpaired UTF-16 surrogates can pass through UTF-8 strings unchanged.
[[nodiscard]] char32_t next_code_point(std::string_view text, std::size_t& i,
                                       bool wtf8 = false) noexcept;

// `text` with each maximal ill-formed subpart replaced by one U+FFFD. With
// `wtf8`, the three-byte form of a surrogate code point is replaced as a
// whole by one U+FFFD too, as a UTF-16 to UTF-8 conversion treats an
// unpaired surrogate.
[[nodiscard]] std::string lossy_utf8(std::string_view text, bool wtf8 = false);

}  // namespace norvane

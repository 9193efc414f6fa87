// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace norvane::platform {

// UTF-16 for UTF-8 or WTF-8 text: the three-byte form of a surrogate gives
// that unit back, so a path from to_wtf8 reaches the system unchanged. Other
// ill-formed input becomes U+FFFD.
[[nodiscard]] std::wstring to_wide(std::string_view utf8);
// UTF-16 to UTF-8; every unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string to_utf8(std::wstring_view utf16);
// UTF-16 to WTF-8: every unpaired surrogate is kept as its three-byte form.
// For paths and other names that must reach the system again unchanged.
[[nodiscard]] std::string to_wtf8(std::wstring_view utf16);

}  // namespace norvane::platform

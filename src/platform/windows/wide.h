// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace norvane::platform {

// UTF-8 to UTF-16; ill-formed input becomes U+FFFD.
[[nodiscard]] std::wstring to_wide(std::string_view utf8);
// UTF-16 to UTF-8; every unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string to_utf8(std::wstring_view utf16);

}  // namespace norvane::platform

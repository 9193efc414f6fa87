// Whether the Unicode library (ICU) can be used in this process.
#pragma once

namespace norvane::platform {

// The library is loaded on first use (this call loads it if need be): POSIX
// libicuuc, Windows the system's icu.dll (Windows 10 version 1903 and later),
// from the system folder only. This tells whether that succeeded, with every
// function the program needs. Without it, platform/unicode.h's operations
// take the fallbacks it describes.
[[nodiscard]] bool unicode_library_available() noexcept;

}  // namespace norvane::platform

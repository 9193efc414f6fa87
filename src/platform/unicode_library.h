// Whether the Unicode library (ICU) can be used in this process.
#pragma once

namespace norvane::platform {

// POSIX: libicuuc is loaded on first use (this call loads it if need be);
// this tells whether that succeeded. Windows: the system's icu.dll (Windows
// 10 version 1903 and later) is loaded on first use of an ICU function; this
// tells whether it is there. Without it, character classification and
// lower-casing beyond ASCII cannot run as platform/unicode.h describes.
[[nodiscard]] bool unicode_library_available() noexcept;

}  // namespace norvane::platform

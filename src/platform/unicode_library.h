// Whether the Unicode library (ICU) can be used in this process.
#pragma once

namespace norvane::platform {

// POSIX: always, ICU is linked in. Windows: the system's icu.dll (Windows 10
// version 1903 and later) is loaded on first use of an ICU function; this
// tells whether it is there. Without it, character classification and
// lower-casing beyond ASCII cannot run.
[[nodiscard]] bool unicode_library_available() noexcept;

}  // namespace norvane::platform

// Paths as byte strings (POSIX) or as WTF-8 (Windows): the system's UTF-16
// path exactly, an unpaired surrogate written as its three-byte
// generalized-UTF-8 form, so that a path the system gave comes back to it
// unchanged. Either way a path need not be valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace norvane::platform {

inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// `left` and `right` joined by the separator, unless `left` is empty or
// already ends in a separator (on Windows, a backslash or a forward slash).
[[nodiscard]] std::string join_path(std::string_view left, std::string_view right);

// `path` with the extension of its last component replaced by `extension`
// (without the dot); a component without extension gains one.
[[nodiscard]] std::string replace_extension(std::string_view path, std::string_view extension);

// `path` as text to show. POSIX: each maximal subpart that is not UTF-8
// becomes one U+FFFD. Windows: each unpaired surrogate becomes one U+FFFD,
// as the system's own UTF-16 to UTF-8 conversion makes it.
[[nodiscard]] std::string path_as_text(std::string_view path);

}  // namespace norvane::platform

// Paths as UTF-8 (Windows) or byte (POSIX) strings.
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

}  // namespace norvane::platform

// The process environment.
#pragma once

#include <optional>
#include <string>

namespace norvane::platform {

// The value of the variable `name` when it is present, empty values included.
// POSIX: the bytes as they are. Windows: the UTF-16 value as WTF-8 (see
// platform/path.h), so that a path held in a variable names the same file.
[[nodiscard]] std::optional<std::string> get_env(const char* name);

}  // namespace norvane::platform

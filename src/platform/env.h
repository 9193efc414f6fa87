// The process environment.
#pragma once

#include <optional>
#include <string>

namespace norvane::platform {

// The value of the variable `name` when it is present, empty values included.
[[nodiscard]] std::optional<std::string> get_env(const char* name);

}  // namespace norvane::platform

// File-system queries and changes the library needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace norvane::platform {

// Creates `path` and any missing parents. On POSIX every directory created
// gets mode 0700; existing ones are left alone. Returns whether `path` is a
// directory afterwards.
bool create_private_directories(const std::string& path);

// The size of the file at `path`, or nullopt when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> file_size(const std::string& path);

}  // namespace norvane::platform

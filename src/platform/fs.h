// File-system queries and changes the library needs.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <system_error>

namespace norvane::platform {

// Creates `path` and any missing parents. On POSIX every directory created
// gets mode 0700, and the folder that holds it is fsynced right after, so
// that its entry is durable before anything is put inside it (NTFS journals
// this itself); existing ones are left alone. Succeeds when `path` is a
// directory afterwards and every folder made on the way was synced;
// otherwise the system's error (on POSIX an errno value in the generic
// category) tells why not.
std::expected<void, std::error_code> create_private_directories(const std::string& path);

// The size of the file at `path`, or nullopt when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> file_size(const std::string& path);

}  // namespace norvane::platform

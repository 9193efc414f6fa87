// The error model's form of a Win32 error code: the code, the name that its
// kind has in the error model (the names of Rust's io::ErrorKind, which the
// application's other components use) and the system's message.
#pragma once

#include <cstdint>

#include "norvane/error/io_error.h"

namespace norvane::platform {

// The kind name of `code`; "Uncategorized" for a code without one.
[[nodiscard]] const char* kind_of(std::uint32_t code) noexcept;

// The I/O error for `code`, with its kind name and the system's message
// ("OS Error <code>" when the system has none).
[[nodiscard]] IoError os_error(std::uint32_t code);

}  // namespace norvane::platform

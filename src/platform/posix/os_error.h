// The error model's form of an errno value: the code, the name that its kind
// has in the error model (the names of Rust's io::ErrorKind, which the
// application's other components use) and the C library's message.
#pragma once

#include "norvane/error/io_error.h"

namespace norvane::platform {

// The kind name of `code`; "Uncategorized" for a code without one.
[[nodiscard]] const char* kind_of(int code) noexcept;

// The I/O error for `code`, with its kind name and strerror's message.
[[nodiscard]] IoError os_error(int code);

}  // namespace norvane::platform

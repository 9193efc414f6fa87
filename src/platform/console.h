// Writing to the process's standard output and standard error. Every write
// goes straight to the stream (nothing is held back in a buffer), so its
// result is the stream's own answer.
#pragma once

#include <expected>
#include <string_view>

#include "norvane/env.h"
#include "norvane/error/io_error.h"

namespace norvane::platform {

using env::StdStream;

// Writes all of `text` (UTF-8) to `stream`, or fails with the system's error
// code, its kind and message. On Windows a console gets the text as UTF-16,
// anything else gets the bytes unchanged.
[[nodiscard]] std::expected<void, IoError> write_std(StdStream stream, std::string_view text);

}  // namespace norvane::platform

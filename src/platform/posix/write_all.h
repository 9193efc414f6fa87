// Writing a whole text to a descriptor. The write call is a parameter, so
// that the tests can answer for the system: short writes, interruptions, a
// descriptor that takes nothing, failures.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <expected>
#include <string_view>

#include "norvane/error/io_error.h"

namespace norvane::platform {

// write(2) or a stand-in for it: the bytes taken, or -1 with errno set.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);

// Writes all of `text` to `fd` with `write`, again after a short write or an
// interruption, and after waiting for a descriptor that would block. A write
// that takes nothing fails with WriteZero; any other failure with the
// system's error for errno.
[[nodiscard]] std::expected<void, IoError> write_all(int fd, std::string_view text,
                                                     WriteCall write);

}  // namespace norvane::platform

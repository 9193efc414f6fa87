// write(2) on descriptors 1 and 2. A failure carries errno, the kind name
// that errno has in the error model and the C library's message
// (platform/posix/os_error.h).
#include "platform/console.h"

#include <unistd.h>

#include "platform/posix/write_all.h"

namespace norvane::platform {

std::expected<void, IoError> write_std(StdStream stream, std::string_view text) {
  return write_all(stream == StdStream::Output ? STDOUT_FILENO : STDERR_FILENO, text, ::write);
}

}  // namespace norvane::platform

#include "platform/posix/write_all.h"

#include <poll.h>

#include <cerrno>

#include "platform/posix/os_error.h"

namespace norvane::platform {

std::expected<void, IoError> write_all(int fd, std::string_view text, WriteCall write) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0)
      return std::unexpected(IoError::custom("WriteZero", "failed to write whole buffer"));
    const int code = errno;
    if (code == EINTR) continue;
    if (code == EAGAIN || code == EWOULDBLOCK) {
      // A descriptor left non-blocking by whoever opened it: wait until it
      // takes more, as a blocking one would.
      pollfd ready{fd, POLLOUT, 0};
      (void)::poll(&ready, 1, -1);
      continue;
    }
    return std::unexpected(os_error(code));
  }
  return {};
}

}  // namespace norvane::platform

#include "platform/posix/os_error.h"

#include <string.h>

#include <cerrno>
#include <string>
#include <type_traits>

namespace norvane::platform {

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the XSI one
// fills the buffer and returns 0. Only the C library's own form is compiled.
template <typename Result>
[[nodiscard]] const char* chosen_text(Result result, const char* buffer) noexcept {
  if constexpr (std::is_pointer_v<Result>) {
    return result;
  } else {
    return result == 0 ? buffer : nullptr;
  }
}

}  // namespace

const char* kind_of(int code) noexcept {
  switch (code) {
    case E2BIG:
      return "ArgumentListTooLong";
    case EADDRINUSE:
      return "AddrInUse";
    case EADDRNOTAVAIL:
      return "AddrNotAvailable";
    case EBUSY:
      return "ResourceBusy";
    case ECONNABORTED:
      return "ConnectionAborted";
    case ECONNREFUSED:
      return "ConnectionRefused";
    case ECONNRESET:
      return "ConnectionReset";
    case EDEADLK:
      return "Deadlock";
    case EDQUOT:
      return "FilesystemQuotaExceeded";
    case EEXIST:
      return "AlreadyExists";
    case EFBIG:
      return "FileTooLarge";
    case EHOSTUNREACH:
      return "HostUnreachable";
    case EINTR:
      return "Interrupted";
    case EINVAL:
      return "InvalidInput";
    case EISDIR:
      return "IsADirectory";
    case ELOOP:
      return "FilesystemLoop";
    case ENOENT:
      return "NotFound";
    case ENOMEM:
      return "OutOfMemory";
    case ENOSPC:
      return "StorageFull";
    case ENOSYS:
      return "Unsupported";
    case EMLINK:
      return "TooManyLinks";
    case ENAMETOOLONG:
      return "InvalidFilename";
    case ENETDOWN:
      return "NetworkDown";
    case ENETUNREACH:
      return "NetworkUnreachable";
    case ENOTCONN:
      return "NotConnected";
    case ENOTDIR:
      return "NotADirectory";
    case ENOTEMPTY:
      return "DirectoryNotEmpty";
    case EPIPE:
      return "BrokenPipe";
    case EROFS:
      return "ReadOnlyFilesystem";
    case ESPIPE:
      return "NotSeekable";
    case ESTALE:
      return "StaleNetworkFileHandle";
    case ETIMEDOUT:
      return "TimedOut";
    case ETXTBSY:
      return "ExecutableFileBusy";
    case EXDEV:
      return "CrossesDevices";
    case EINPROGRESS:
      return "InProgress";
    case EACCES:
    case EPERM:
      return "PermissionDenied";
    default:
      break;
  }
  // EWOULDBLOCK may or may not equal EAGAIN, so it cannot be a case label.
  if (code == EAGAIN || code == EWOULDBLOCK) return "WouldBlock";
  return "Uncategorized";
}

IoError os_error(int code) {
  char buffer[256] = {};
  const char* text = chosen_text(::strerror_r(code, buffer, sizeof buffer), buffer);
  return IoError::os(code, kind_of(code),
                     text != nullptr ? std::string(text) : "Unknown error " + std::to_string(code));
}

}  // namespace norvane::platform

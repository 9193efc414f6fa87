#include "platform/windows/os_error.h"

#include <string>

#include "platform/system_error.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

namespace {

// Not declared by every SDK's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

}  // namespace

const char* kind_of(std::uint32_t code) noexcept {
  switch (code) {
    case ERROR_ACCESS_DENIED:
      return "PermissionDenied";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return "AlreadyExists";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return "BrokenPipe";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return "NotFound";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return "InvalidFilename";
    case ERROR_INVALID_PARAMETER:
      return "InvalidInput";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return "OutOfMemory";
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
    case ERROR_OPERATION_ABORTED:
    case ERROR_TIMEOUT:
      return "TimedOut";
    case ERROR_CALL_NOT_IMPLEMENTED:
      return "Unsupported";
    case ERROR_DIRECTORY:
      return "NotADirectory";
    case ERROR_DIR_NOT_EMPTY:
      return "DirectoryNotEmpty";
    case ERROR_WRITE_PROTECT:
      return "ReadOnlyFilesystem";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "StorageFull";
    case ERROR_SEEK_ON_DEVICE:
      return "NotSeekable";
    case kErrorDiskQuotaExceeded:
      return "FilesystemQuotaExceeded";
    case ERROR_FILE_TOO_LARGE:
      return "FileTooLarge";
    case ERROR_BUSY:
      return "ResourceBusy";
    case ERROR_POSSIBLE_DEADLOCK:
      return "Deadlock";
    case ERROR_NOT_SAME_DEVICE:
      return "CrossesDevices";
    case ERROR_TOO_MANY_LINKS:
      return "TooManyLinks";
    default:
      return "Uncategorized";
  }
}

IoError os_error(std::uint32_t code) {
  std::string message = system_message(code, false);
  if (message.empty()) message = "OS Error " + std::to_string(code);
  return IoError::os(static_cast<int>(code), kind_of(code), std::move(message));
}

}  // namespace norvane::platform

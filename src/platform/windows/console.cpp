// WriteConsoleW to a console, WriteFile to anything else. A failure carries
// the Win32 code, the kind name that the code has in the error model (the
// names of Rust's io::ErrorKind, which the application's other components
// use) and the system's message.
#include "platform/console.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/system_error.h"
#include "platform/windows/wide.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

namespace {

// Not declared by every SDK's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

const char* kind_of(DWORD code) noexcept {
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

IoError os_error(DWORD code) {
  std::string message = system_message(code, false);
  if (message.empty()) message = "OS Error " + std::to_string(code);
  return IoError::os(static_cast<int>(code), kind_of(code), std::move(message));
}

// Large writes go in pieces that every kind of handle accepts.
constexpr std::size_t kPiece = 16 * 1024;

std::expected<void, IoError> write_console(HANDLE handle, std::string_view text) {
  const std::wstring wide = to_wide(text);
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    std::size_t piece = std::min(rest.size(), kPiece);
    // Keep a surrogate pair in one piece.
    if (piece < rest.size() && rest[piece - 1] >= 0xD800 && rest[piece - 1] <= 0xDBFF) --piece;
    DWORD written = 0;
    if (!WriteConsoleW(handle, rest.data(), static_cast<DWORD>(piece), &written, nullptr)) {
      return std::unexpected(os_error(GetLastError()));
    }
    if (written == 0) {
      return std::unexpected(IoError::custom("WriteZero", "failed to write whole buffer"));
    }
    rest.remove_prefix(std::min<std::size_t>(written, rest.size()));
  }
  return {};
}

std::expected<void, IoError> write_bytes(HANDLE handle, std::string_view text) {
  while (!text.empty()) {
    const std::size_t piece = std::min(text.size(), kPiece);
    DWORD written = 0;
    if (!WriteFile(handle, text.data(), static_cast<DWORD>(piece), &written, nullptr)) {
      return std::unexpected(os_error(GetLastError()));
    }
    if (written == 0) {
      return std::unexpected(IoError::custom("WriteZero", "failed to write whole buffer"));
    }
    text.remove_prefix(std::min<std::size_t>(written, text.size()));
  }
  return {};
}

}  // namespace

std::expected<void, IoError> write_std(StdStream stream, std::string_view text) {
  const HANDLE handle =
      GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == INVALID_HANDLE_VALUE) return std::unexpected(os_error(GetLastError()));
  // No handle at all: the process was started without this stream.
  if (handle == nullptr) return std::unexpected(os_error(ERROR_INVALID_HANDLE));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) return write_console(handle, text);
  return write_bytes(handle, text);
}

}  // namespace norvane::platform

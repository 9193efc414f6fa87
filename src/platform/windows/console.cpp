// WriteConsoleW to a console, WriteFile to anything else
// (platform/windows/write_all.h). A failure carries the Win32 code, the kind
// name that the code has in the error model and the system's message
// (platform/windows/os_error.h).
#include "platform/console.h"

#include "platform/windows/os_error.h"
#include "platform/windows/win32.h"
#include "platform/windows/write_all.h"

namespace norvane::platform {

namespace {

BOOL write_to_console(HANDLE handle, const wchar_t* units, DWORD count, DWORD* written) {
  return WriteConsoleW(handle, units, count, written, nullptr);
}

BOOL write_to_file(HANDLE handle, const char* bytes, DWORD count, DWORD* written) {
  return WriteFile(handle, bytes, count, written, nullptr);
}

}  // namespace

std::expected<void, IoError> write_std(StdStream stream, std::string_view text) {
  const HANDLE handle =
      GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  // No handle, or one recorded as invalid: the process was started without
  // this stream. (GetStdHandle itself fails only for a wrong argument, so
  // the thread's last error says nothing here.)
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return std::unexpected(os_error(ERROR_INVALID_HANDLE));
  }
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) return write_console(handle, text, write_to_console);
  return write_file(handle, text, write_to_file);
}

}  // namespace norvane::platform

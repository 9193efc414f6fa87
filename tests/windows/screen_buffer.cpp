#include "screen_buffer.h"

#include <cstdlib>

#include "platform/windows/wide.h"
#include "platform/windows/win32.h"

namespace norvane::testing {

ScreenBuffer::ScreenBuffer(bool writable) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const DWORD access = GENERIC_READ | (writable ? GENERIC_WRITE : 0);
  const HANDLE h = CreateConsoleScreenBuffer(access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  handle_ = h;
  if (writable) (void)SetConsoleScreenBufferSize(h, COORD{200, 300});
}

ScreenBuffer::~ScreenBuffer() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

std::string ScreenBuffer::text() const {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (handle_ == nullptr || !GetConsoleScreenBufferInfo(handle_, &info)) return {};
  std::wstring shown;
  std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    const bool last = y == info.dwCursorPosition.Y;
    const auto wanted = static_cast<DWORD>(last ? info.dwCursorPosition.X : info.dwSize.X);
    DWORD read = 0;
    if (wanted > 0 &&
        !ReadConsoleOutputCharacterW(handle_, row.data(), wanted, COORD{0, y}, &read)) {
      break;
    }
    std::wstring_view cells(row.data(), read);
    if (!last) {
      cells = cells.substr(0, cells.find_last_not_of(L' ') + 1);
      shown.append(cells).push_back(L'\n');
    } else {
      shown.append(cells);
    }
  }
  return platform::to_utf8(shown);
}

bool console_required() {
  const char* value = std::getenv("NORVANE_REQUIRE_CONSOLE");
  return value != nullptr && *value != '\0';
}

}  // namespace norvane::testing

#include "platform/windows/wide.h"

#include <climits>

#include "platform/utf16.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

std::wstring to_wide(std::string_view utf8) {
  // The system counts in int; nothing this program passes comes near that.
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string to_utf8(std::wstring_view utf16) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return utf16_to_utf8_lossy(
      std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

}  // namespace norvane::platform

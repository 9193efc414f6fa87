#include "wine.h"

#include "platform/windows/win32.h"
#include "support/system_messages.h"

namespace norvane::testing {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string plain_system_message(unsigned long code) {
  // Wide, in the user's language, then UTF-8 by the system's own converter:
  // the code under test converts by itself, and messages need not be ASCII.
  wchar_t buffer[2048];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  while (n > 0 && (buffer[n - 1] == L' ' || (buffer[n - 1] >= L'\t' && buffer[n - 1] <= L'\r'))) {
    --n;
  }
  if (n == 0) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), out.data(), size, nullptr, nullptr);
  return out;
}

bool english_user_interface() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_ENGLISH;
}

std::string invalid_data_text() {
  return plain_system_message(ERROR_INVALID_DATA) + " (0x8007000D)";
}

}  // namespace norvane::testing

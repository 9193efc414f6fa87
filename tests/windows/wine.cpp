#include "wine.h"

#include "platform/windows/win32.h"

namespace norvane::testing {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string plain_system_message(unsigned long code) {
  char buffer[1024];
  DWORD n =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), buffer, sizeof buffer, nullptr);
  while (n > 0 && (buffer[n - 1] == ' ' || (buffer[n - 1] >= '\t' && buffer[n - 1] <= '\r'))) --n;
  return std::string(buffer, n);
}

bool english_user_interface() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_ENGLISH;
}

}  // namespace norvane::testing

#include "wine.h"

#include "platform/windows/wide.h"
#include "platform/windows/win32.h"
#include "support/system_messages.h"

namespace norvane::testing {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string plain_system_message(unsigned long code) {
  wchar_t buffer[1024];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), buffer, 1024, nullptr);
  while (n > 0 && (buffer[n - 1] == L' ' || (buffer[n - 1] >= L'\t' && buffer[n - 1] <= L'\r'))) {
    --n;
  }
  return platform::to_utf8(std::wstring_view(buffer, n));
}

bool english_user_interface() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_ENGLISH;
}

std::string invalid_data_text() {
  return plain_system_message(ERROR_INVALID_DATA) + " (0x8007000D)";
}

}  // namespace norvane::testing

#include "platform/env.h"

#include <vector>

#include "platform/windows/wide.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

std::optional<std::string> get_env(const char* name) {
  const std::wstring wide_name = to_wide(name);
  std::vector<wchar_t> buffer(1);
  // The value may change between asking for its size and reading it; read
  // again until it fits.
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(wide_name.c_str(), buffer.data(),
                                            static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      // Zero is an empty value unless the system says the variable is absent.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < buffer.size()) return to_wtf8(std::wstring_view(buffer.data(), n));
    buffer.assign(n, L'\0');  // n counts the terminating NUL here
  }
}

}  // namespace norvane::platform

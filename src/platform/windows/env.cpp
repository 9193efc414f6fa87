#include "platform/env.h"

#include <windows.h>

#include <vector>

#include "platform/windows/wide.h"

namespace norvane::platform {

std::optional<std::string> get_env(const char* name) {
  const std::wstring wide_name = to_wide(name);
  SetLastError(ERROR_SUCCESS);
  const DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) {
    // Zero with no error means the variable is present and empty.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::vector<wchar_t> buffer(needed);
  const DWORD written = GetEnvironmentVariableW(wide_name.c_str(), buffer.data(), needed);
  if (written == 0 || written >= needed) return std::nullopt;
  return to_utf8(std::wstring_view(buffer.data(), written));
}

}  // namespace norvane::platform

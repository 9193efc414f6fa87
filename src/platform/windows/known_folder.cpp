#include "platform/known_folder.h"

// clang-format off
#include "platform/windows/win32.h"
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include "platform/windows/wide.h"

namespace norvane::platform {

std::optional<std::string> local_app_data_folder() {
  PWSTR path = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
  std::optional<std::string> result;
  if (hr == S_OK && path != nullptr) {
    result = to_wtf8(std::wstring_view(path, static_cast<std::size_t>(lstrlenW(path))));
  }
  // The buffer is released after a failure as well as after a success.
  CoTaskMemFree(path);
  return result;
}

}  // namespace norvane::platform

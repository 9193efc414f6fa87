#include "platform/unicode_library.h"

#include "platform/windows/win32.h"

namespace norvane::platform {

bool unicode_library_available() noexcept {
  // icu.dll is a part of the system and lives in its folder. The module
  // stays loaded for the life of the process, as it would once the first
  // ICU call had loaded it.
  static const bool available =
      LoadLibraryExW(L"icu.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) != nullptr;
  return available;
}

}  // namespace norvane::platform

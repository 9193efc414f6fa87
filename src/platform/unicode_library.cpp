#include "platform/unicode_library.h"

#include "platform/icu_functions.h"

namespace norvane::platform {

bool unicode_library_available() noexcept {
  return icu::functions() != nullptr;
}

}  // namespace norvane::platform

#include "platform/unicode_library.h"

namespace norvane::platform {

bool unicode_library_available() noexcept {
  return true;
}

}  // namespace norvane::platform

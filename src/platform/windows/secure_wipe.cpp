#ifdef _WIN32

#include "platform/secure_wipe.h"

#include "platform/windows/win32.h"

namespace norvane::platform {

void secure_wipe(void* data, std::size_t size) noexcept {
  if (size != 0) SecureZeroMemory(data, size);
}

}  // namespace norvane::platform

#endif  // _WIN32

#include "platform/secure_wipe.h"

#include <openssl/crypto.h>

namespace norvane::platform {

void secure_wipe(void* data, std::size_t size) noexcept {
  if (size != 0) OPENSSL_cleanse(data, size);
}

}  // namespace norvane::platform

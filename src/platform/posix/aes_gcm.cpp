#include "platform/aes_gcm.h"

#include "platform/posix/evp_gcm.h"

namespace norvane::platform {

std::expected<void, GcmFailure> aes256_gcm_decrypt_in_place(
    std::span<const std::uint8_t, 32> key, std::span<const std::uint8_t, 12> nonce,
    std::span<char> text, std::span<const std::uint8_t, 16> tag) noexcept {
  // A fresh cipher context per call: nothing of the key outlives it.
  return posix::gcm_open(key, nonce, {}, text, text, tag);
}

}  // namespace norvane::platform

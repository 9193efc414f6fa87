// AES-256-GCM authenticated decryption (96-bit nonce, 128-bit tag, no
// associated data) from the platform's cryptographic library.
#pragma once

#include <cstdint>
#include <expected>
#include <span>

namespace norvane::platform {

enum class GcmFailure {
  TagMismatch,  // the tag does not authenticate the ciphertext under the key
  Cipher,       // the cipher could not be set up or run
};

// Decrypts `text` in place and checks `tag` over it. On failure `text` may
// hold partial plaintext: the caller must wipe it and use none of it.
[[nodiscard]] std::expected<void, GcmFailure> aes256_gcm_decrypt_in_place(
    std::span<const std::uint8_t, 32> key, std::span<const std::uint8_t, 12> nonce,
    std::span<char> text, std::span<const std::uint8_t, 16> tag) noexcept;

}  // namespace norvane::platform

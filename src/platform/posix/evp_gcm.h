// AES-256-GCM through OpenSSL's EVP interface, with optional associated data.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <expected>
#include <memory>
#include <span>

#include "platform/aes_gcm.h"

namespace norvane::platform::posix {

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

using GcmKey = std::span<const std::uint8_t, 32>;
using GcmNonce = std::span<const std::uint8_t, 12>;

// Encrypts `in` into `out` (same size, may be the same memory) and writes the
// tag. False when the cipher failed; `out` then holds nothing usable.
[[nodiscard]] bool gcm_seal(GcmKey key, GcmNonce nonce, std::span<const std::uint8_t> aad,
                            std::span<const char> in, std::span<char> out,
                            std::span<std::uint8_t, 16> tag) noexcept;

// Decrypts `in` into `out` (same size, may be the same memory) and checks the
// tag. On failure `out` must be wiped.
[[nodiscard]] std::expected<void, GcmFailure> gcm_open(
    GcmKey key, GcmNonce nonce, std::span<const std::uint8_t> aad, std::span<const char> in,
    std::span<char> out, std::span<const std::uint8_t, 16> tag) noexcept;

}  // namespace norvane::platform::posix

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

// AES-256-GCM, fetched from the default provider once per process. Fetching
// by name on every initialisation is what makes a cold cipher set-up slow.
// Null when the provider has no such cipher.
[[nodiscard]] const EVP_CIPHER* aes256_gcm() noexcept;

using GcmKey = std::span<const std::uint8_t, 32>;
using GcmNonce = std::span<const std::uint8_t, 12>;

// Decrypts `in` into `out` (same size, may be the same memory) and checks the
// tag. On failure `out` must be wiped.
[[nodiscard]] std::expected<void, GcmFailure> gcm_open(
    GcmKey key, GcmNonce nonce, std::span<const std::uint8_t> aad, std::span<const char> in,
    std::span<char> out, std::span<const std::uint8_t, 16> tag) noexcept;

// A cipher context keyed once and then used for any number of messages, each
// with its own nonce. The key schedule is wiped when the context is reset or
// freed.
[[nodiscard]] bool gcm_key(EVP_CIPHER_CTX* ctx, bool encrypt, GcmKey key) noexcept;

// Encrypts `in` into `out` (same size, may be the same memory) and writes the
// tag, on a context made ready by gcm_key. False when the cipher failed; `out`
// then holds nothing usable.
[[nodiscard]] bool gcm_seal_keyed(EVP_CIPHER_CTX* ctx, GcmNonce nonce,
                                  std::span<const std::uint8_t> aad, std::span<const char> in,
                                  std::span<char> out, std::span<std::uint8_t, 16> tag) noexcept;

// gcm_open on a context made ready by gcm_key.
[[nodiscard]] std::expected<void, GcmFailure> gcm_open_keyed(
    EVP_CIPHER_CTX* ctx, GcmNonce nonce, std::span<const std::uint8_t> aad,
    std::span<const char> in, std::span<char> out, std::span<const std::uint8_t, 16> tag) noexcept;

}  // namespace norvane::platform::posix

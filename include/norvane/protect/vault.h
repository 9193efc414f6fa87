// Locked note bodies: an AES-256-GCM vault payload inside a protected blob.
//
// Vault payload: 12-byte nonce, ciphertext (as long as the plaintext), 16-byte
// tag; no associated data. The smallest payload, 28 bytes, holds an empty
// plaintext.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>

#include "norvane/error/crypto_error.h"
#include "norvane/protect/body.h"
#include "norvane/protect/vault_key.h"

namespace norvane {

// Verifies and decrypts a vault payload. InvalidFormat for a payload shorter
// than 28 bytes; Aead ("aead::Error") for a tag mismatch or an over-long
// ciphertext. On failure no plaintext is returned and the working buffer is
// wiped.
[[nodiscard]] std::expected<Bytes, CryptoError> decrypt_vault_payload(
    VaultKey key, std::span<const char> payload);

// unprotect_bytes, decrypt_vault_payload, then the UTF-8 check of
// unprotect_body.
[[nodiscard]] std::expected<std::string, CryptoError> unprotect_locked_body(
    VaultKey key, std::span<const char> body_enc);

// A character array would be taken whole, terminating NUL included.
template <std::size_t N>
void decrypt_vault_payload(VaultKey, const char (&)[N]) = delete;
template <std::size_t N>
void unprotect_locked_body(VaultKey, const char (&)[N]) = delete;

}  // namespace norvane

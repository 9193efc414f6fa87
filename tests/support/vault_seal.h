// Vault payloads made the way the application's writer makes them, with the
// platform's own AES-256-GCM encryption (the library only decrypts):
// nonce, ciphertext, tag.
#pragma once

#include <string>

#include "support/gcm_vectors.h"

namespace norvane::testing {

// Empty when the platform could not encrypt.
[[nodiscard]] std::string seal_vault_payload(const Key& key, const std::string& nonce,
                                             const std::string& plain);

}  // namespace norvane::testing

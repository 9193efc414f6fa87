// The per-thread cache of the POSIX data protection service: the key this
// thread used last and two cipher contexts keyed with it (one to seal, one to
// open), so that a call only sets a new nonce.
//
// The cache is keyed by the key file's path, since the user's data home can
// change between calls, and checked against the file's identity on every use;
// inside a KeyCheckBatch only the first use of the batch checks.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <expected>
#include <span>

#include "platform/posix/key_store.h"
#include "platform/posix/protection_format.h"

namespace norvane::platform::posix {

// The user's key as this thread holds it. Valid until the thread's next call
// of user_key.
struct UserKey {
  std::span<const std::uint8_t, protection::kKeyIdBytes> id;
  EVP_CIPHER_CTX* seal;
  EVP_CIPHER_CTX* open;
};

// The user's key, read (and with CreateIfMissing made when missing) unless
// this thread holds it already and the key file is unchanged. Fails with the
// key store's code; a failure leaves nothing of the key in the cache.
[[nodiscard]] std::expected<UserKey, std::uint32_t> user_key(KeyUse use);

}  // namespace norvane::platform::posix

// Note bodies at rest: every body is stored as the data-protection blob that
// the operating system's per-user service makes of its UTF-8 bytes.
//
// Thread-safety: every function here may be called from any thread at once.
// The state they keep (the loaded key, cipher contexts, the batch below) is
// per thread, so threads do not wait for each other.
#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>

#include "norvane/error/crypto_error.h"

namespace norvane {

// Raw bytes. A std::string, so that a buffer found to be UTF-8 becomes the
// body text without a copy.
using Bytes = std::string;

// Protects `body` for the current user. An empty body gives an empty blob
// without asking the service. Fails with ProtectFailed carrying the system's
// error text.
[[nodiscard]] std::expected<Bytes, CryptoError> protect_body(std::span<const char> body);

// The bytes inside a protected blob. An empty blob gives empty bytes without
// asking the service. Fails with UnprotectFailed carrying the system's error
// text (damaged blob, foreign blob, another user's blob, unusable key store).
[[nodiscard]] std::expected<Bytes, CryptoError> unprotect_bytes(std::span<const char> blob);

// unprotect_bytes, then a strict UTF-8 check: the bytes become the text as
// they are, or the result is Utf8Decode and the bytes are wiped.
[[nodiscard]] std::expected<std::string, CryptoError> unprotect_body(std::span<const char> blob);

// While a BodyBatch lives, the calls above on the same thread share one check
// of the user's key store: the first call checks it, the later ones rely on
// that check. A list of notes or a seeding run is one batch; a key store that
// changes in the middle of one is noticed by the next batch or call. Batches
// nest.
class BodyBatch {
 public:
  BodyBatch() noexcept;
  ~BodyBatch();
  BodyBatch(const BodyBatch&) = delete;
  BodyBatch& operator=(const BodyBatch&) = delete;
};

// A character array would be taken whole, terminating NUL included; pass a
// std::string_view (or std::string) instead.
template <std::size_t N>
void protect_body(const char (&)[N]) = delete;
template <std::size_t N>
void unprotect_bytes(const char (&)[N]) = delete;
template <std::size_t N>
void unprotect_body(const char (&)[N]) = delete;

}  // namespace norvane

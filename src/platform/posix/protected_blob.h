// Sealing and opening the protected blobs of the POSIX data protection
// service (layout: platform/posix/protection_format.h). Failures are Win32
// codes, as the service reports them.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>

#include "platform/posix/key_cache.h"

namespace norvane::platform::posix {

// The blob of `input` under `key`, with a fresh random nonce.
[[nodiscard]] std::expected<std::string, std::uint32_t> seal_blob(const UserKey& key,
                                                                  std::span<const char> input);

// Whether `blob` is long enough and starts with this format's magic and
// version; needs no key.
[[nodiscard]] bool is_framed_blob(std::span<const char> blob) noexcept;

// The input of a framed blob. A blob under another key identifier fails with
// NTE_BAD_KEY_STATE, a damaged one with ERROR_INVALID_DATA.
[[nodiscard]] std::expected<std::string, std::uint32_t> open_blob(const UserKey& key,
                                                                  std::span<const char> blob);

}  // namespace norvane::platform::posix

// The size rules of vault payloads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace norvane::detail {

// Nonce and tag around an empty ciphertext.
inline constexpr std::size_t kMinVaultPayloadBytes = 12 + 16;

// With a 96-bit nonce the 32-bit block counter starts at 2, so at most
// 2^32 - 2 blocks of keystream exist before the counter would come round to
// the block that masks the tag: 2^36 - 32 bytes.
inline constexpr std::uint64_t kMaxGcmCiphertextBytes = (std::uint64_t{1} << 36) - 32;

[[nodiscard]] constexpr bool gcm_ciphertext_fits(std::uint64_t size) noexcept {
  return size <= kMaxGcmCiphertextBytes;
}

}  // namespace norvane::detail

// The per-user data protection service (CryptProtectData and
// CryptUnprotectData on Windows; a stand-in bound to the Unix user elsewhere).
//
// Both calls hand back a buffer owned by the caller: the service's own output
// buffer has been copied and released. On failure the calling thread's last
// error holds the cause, and the same code is returned, read directly after
// the failing call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>

namespace norvane::platform {

// The service counts bytes in 32 bits: one input (and one output) holds at
// most this many.
inline constexpr std::size_t kMaxDataBlobBytes = 0xFFFF'FFFFu;

[[nodiscard]] constexpr bool fits_data_blob(std::size_t size) noexcept {
  return size <= kMaxDataBlobBytes;
}

// Protects `input` for the current user; no description, no extra entropy,
// no prompt, user scope.
[[nodiscard]] std::expected<std::string, std::uint32_t> protect_data(std::span<const char> input);

// Reverses protect_data for the same user.
[[nodiscard]] std::expected<std::string, std::uint32_t> unprotect_data(std::span<const char> blob);

}  // namespace norvane::platform

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

// Calls made on this thread while a KeyCheckBatch is alive may share one
// check of the user's key store: the first call of the batch checks it as
// every call outside a batch does, and the later calls of the same batch rely
// on that check. A key store changed in the middle of a batch is noticed by
// the next batch or call. Batches nest; the outermost one counts. A backend
// whose service keeps its own keys may ignore batches.
class KeyCheckBatch {
 public:
  KeyCheckBatch() noexcept { enter(); }
  ~KeyCheckBatch() { leave(); }
  KeyCheckBatch(const KeyCheckBatch&) = delete;
  KeyCheckBatch& operator=(const KeyCheckBatch&) = delete;

  // The same, for owners that cannot hold the object: every enter must be
  // matched by one leave on the same thread.
  static void enter() noexcept {
    if (depth_++ == 0) ++serial_;
  }
  static void leave() noexcept { --depth_; }

  // The serial number of the batch this thread is in (never 0), or 0 outside
  // any batch.
  [[nodiscard]] static std::uint64_t current() noexcept { return depth_ > 0 ? serial_ : 0; }

 private:
  static inline thread_local unsigned depth_ = 0;
  static inline thread_local std::uint64_t serial_ = 0;
};

}  // namespace norvane::platform

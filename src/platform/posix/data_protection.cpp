// The data protection service of the POSIX backend: a stand-in for the
// Windows one, bound to the Unix user. Its parts: the key store
// (key_store.h), the per-thread key cache (key_cache.h) and the blob format
// (protected_blob.h, protection_format.h).
//
// Failures set the thread's last error to the Win32 code that Windows would
// report for the like condition.
#include "platform/data_protection.h"

#include "platform/posix/key_cache.h"
#include "platform/posix/protected_blob.h"
#include "platform/posix/protection_format.h"
#include "platform/posix/system_error.h"
#include "platform/system_error.h"

namespace norvane::platform {

namespace {

// The largest input whose blob still fits the 32-bit count, so that every
// blob made here can be unprotected again.
constexpr std::size_t kMaxProtectInput = kMaxDataBlobBytes - protection::blob::kOverhead;

[[nodiscard]] std::unexpected<std::uint32_t> fail(std::uint32_t code) noexcept {
  set_last_error(code);
  return std::unexpected(code);
}

}  // namespace

std::expected<std::string, std::uint32_t> protect_data(std::span<const char> input) {
  if (input.size() > kMaxProtectInput) return fail(kErrorInvalidParameter);
  const auto key = posix::user_key(posix::KeyUse::CreateIfMissing);
  if (!key) return fail(key.error());
  auto blob = posix::seal_blob(*key, input);
  if (!blob) return fail(blob.error());
  return blob;
}

std::expected<std::string, std::uint32_t> unprotect_data(std::span<const char> blob) {
  if (!fits_data_blob(blob.size())) return fail(kErrorInvalidParameter);
  // A blob that is not one at all is invalid data even before there is a key.
  if (!posix::is_framed_blob(blob)) return fail(kErrorInvalidData);
  const auto key = posix::user_key(posix::KeyUse::Existing);
  if (!key) return fail(key.error());
  auto plain = posix::open_blob(*key, blob);
  if (!plain) return fail(plain.error());
  return plain;
}

}  // namespace norvane::platform

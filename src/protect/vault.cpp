#include "norvane/protect/vault.h"

#include <array>
#include <cstring>
#include <utility>

#include "norvane/text/utf8.h"
#include "platform/aes_gcm.h"
#include "platform/secure_wipe.h"
#include "protect/vault_detail.h"

namespace norvane {

namespace {

constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 16;

[[nodiscard]] CryptoError aead_error() {
  return CryptoError::aead("aead::Error");
}

}  // namespace

std::expected<Bytes, CryptoError> decrypt_vault_payload(VaultKey key,
                                                        std::span<const char> payload) {
  if (payload.size() < detail::kMinVaultPayloadBytes) {
    return std::unexpected(
        CryptoError::invalid_format("Ciphertext payload is too short for AES-256-GCM"));
  }

  std::array<std::uint8_t, kNonceBytes> nonce{};
  std::memcpy(nonce.data(), payload.data(), kNonceBytes);

  // Ciphertext and tag go into the buffer that becomes the result; the
  // plaintext replaces the ciphertext in place and the tag is cut off.
  Bytes text(payload.begin() + kNonceBytes, payload.end());
  const std::size_t text_len = text.size() - kTagBytes;
  if (!detail::gcm_ciphertext_fits(text_len)) {
    platform::secure_wipe(std::span{text});
    return std::unexpected(aead_error());
  }

  std::array<std::uint8_t, kTagBytes> tag{};
  std::memcpy(tag.data(), text.data() + text_len, kTagBytes);

  auto opened =
      platform::aes256_gcm_decrypt_in_place(key, nonce, std::span{text.data(), text_len}, tag);
  if (!opened) {
    platform::secure_wipe(std::span{text});
    return std::unexpected(aead_error());
  }
  text.resize(text_len);
  return text;
}

std::expected<std::string, CryptoError> unprotect_locked_body(VaultKey key,
                                                              std::span<const char> body_enc) {
  auto payload = unprotect_bytes(body_enc);
  if (!payload) return std::unexpected(std::move(payload.error()));
  auto plain = decrypt_vault_payload(key, *payload);
  if (!plain) return std::unexpected(std::move(plain.error()));
  if (auto valid = validate_utf8(*plain); !valid) {
    platform::secure_wipe(std::span{*plain});
    return std::unexpected(CryptoError::utf8_decode(valid.error().text()));
  }
  return std::move(*plain);
}

}  // namespace norvane

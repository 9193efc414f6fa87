#include "platform/posix/evp_gcm.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>

namespace norvane::platform::posix {

namespace {

// EVP counts in int; longer texts go through in chunks.
constexpr std::size_t kChunk = std::size_t{1} << 30;

[[nodiscard]] bool add_aad(EVP_CIPHER_CTX* ctx, std::span<const std::uint8_t> aad) noexcept {
  while (!aad.empty()) {
    const std::size_t n = std::min(aad.size(), kChunk);
    int written = 0;
    if (EVP_CipherUpdate(ctx, nullptr, &written, aad.data(), static_cast<int>(n)) != 1) {
      return false;
    }
    aad = aad.subspan(n);
  }
  return true;
}

// A fresh context: cipher, key and nonce in one initialisation (the nonce is
// the cipher's default 12 bytes long).
[[nodiscard]] bool set_up(EVP_CIPHER_CTX* ctx, bool encrypt, GcmKey key, GcmNonce nonce,
                          std::span<const std::uint8_t> aad) noexcept {
  const EVP_CIPHER* cipher = aes256_gcm();
  if (cipher == nullptr) return false;
  if (EVP_CipherInit_ex2(ctx, cipher, key.data(), nonce.data(), encrypt ? 1 : 0, nullptr) != 1) {
    return false;
  }
  return add_aad(ctx, aad);
}

// A keyed context: only the nonce is new.
[[nodiscard]] bool restart(EVP_CIPHER_CTX* ctx, bool encrypt, GcmNonce nonce,
                           std::span<const std::uint8_t> aad) noexcept {
  if (EVP_CipherInit_ex2(ctx, nullptr, nullptr, nonce.data(), encrypt ? 1 : 0, nullptr) != 1) {
    return false;
  }
  return add_aad(ctx, aad);
}

[[nodiscard]] bool run(EVP_CIPHER_CTX* ctx, std::span<const char> in,
                       std::span<char> out) noexcept {
  if (in.size() != out.size()) return false;
  std::size_t done = 0;
  while (done < in.size()) {
    const std::size_t n = std::min(in.size() - done, kChunk);
    int written = 0;
    if (EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data() + done), &written,
                         reinterpret_cast<const unsigned char*>(in.data() + done),
                         static_cast<int>(n)) != 1 ||
        written != static_cast<int>(n)) {
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace

const EVP_CIPHER* aes256_gcm() noexcept {
  struct CipherFree {
    void operator()(EVP_CIPHER* cipher) const noexcept { EVP_CIPHER_free(cipher); }
  };
  static const std::unique_ptr<EVP_CIPHER, CipherFree> cipher(
      EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr));
  return cipher.get();
}

namespace {

[[nodiscard]] bool finish_seal(EVP_CIPHER_CTX* ctx, std::span<std::uint8_t, 16> tag) noexcept {
  std::array<unsigned char, EVP_MAX_BLOCK_LENGTH> tail{};
  int written = 0;
  if (EVP_EncryptFinal_ex(ctx, tail.data(), &written) != 1 || written != 0) return false;
  return EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, static_cast<int>(tag.size()), tag.data()) ==
         1;
}

[[nodiscard]] std::expected<void, GcmFailure> finish_open(
    EVP_CIPHER_CTX* ctx, std::span<const std::uint8_t, 16> tag) noexcept {
  // The expected tag goes in before the final call, which compares it in
  // constant time.
  std::array<std::uint8_t, 16> stored_tag{};
  std::copy(tag.begin(), tag.end(), stored_tag.begin());
  if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(stored_tag.size()),
                          stored_tag.data()) != 1) {
    return std::unexpected(GcmFailure::Cipher);
  }
  std::array<unsigned char, EVP_MAX_BLOCK_LENGTH> tail{};
  int written = 0;
  if (EVP_DecryptFinal_ex(ctx, tail.data(), &written) != 1 || written != 0) {
    return std::unexpected(GcmFailure::TagMismatch);
  }
  return {};
}

}  // namespace

std::expected<void, GcmFailure> gcm_open(GcmKey key, GcmNonce nonce,
                                         std::span<const std::uint8_t> aad,
                                         std::span<const char> in, std::span<char> out,
                                         std::span<const std::uint8_t, 16> tag) noexcept {
  const CipherCtx ctx(EVP_CIPHER_CTX_new());
  if (!ctx || !set_up(ctx.get(), false, key, nonce, aad) || !run(ctx.get(), in, out)) {
    return std::unexpected(GcmFailure::Cipher);
  }
  return finish_open(ctx.get(), tag);
}

bool gcm_key(EVP_CIPHER_CTX* ctx, bool encrypt, GcmKey key) noexcept {
  const EVP_CIPHER* cipher = aes256_gcm();
  return cipher != nullptr &&
         EVP_CipherInit_ex2(ctx, cipher, key.data(), nullptr, encrypt ? 1 : 0, nullptr) == 1;
}

bool gcm_seal_keyed(EVP_CIPHER_CTX* ctx, GcmNonce nonce, std::span<const std::uint8_t> aad,
                    std::span<const char> in, std::span<char> out,
                    std::span<std::uint8_t, 16> tag) noexcept {
  return restart(ctx, true, nonce, aad) && run(ctx, in, out) && finish_seal(ctx, tag);
}

std::expected<void, GcmFailure> gcm_open_keyed(EVP_CIPHER_CTX* ctx, GcmNonce nonce,
                                               std::span<const std::uint8_t> aad,
                                               std::span<const char> in, std::span<char> out,
                                               std::span<const std::uint8_t, 16> tag) noexcept {
  if (!restart(ctx, false, nonce, aad) || !run(ctx, in, out)) {
    return std::unexpected(GcmFailure::Cipher);
  }
  return finish_open(ctx, tag);
}

}  // namespace norvane::platform::posix

#include "platform/posix/evp_gcm.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>

namespace norvane::platform::posix {

namespace {

// EVP counts in int; longer texts go through in chunks.
constexpr std::size_t kChunk = std::size_t{1} << 30;

[[nodiscard]] bool set_up(EVP_CIPHER_CTX* ctx, bool encrypt, GcmKey key, GcmNonce nonce,
                          std::span<const std::uint8_t> aad) noexcept {
  const int enc = encrypt ? 1 : 0;
  if (EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr, enc) != 1) return false;
  if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()), nullptr) !=
      1) {
    return false;
  }
  if (EVP_CipherInit_ex(ctx, nullptr, nullptr, key.data(), nonce.data(), enc) != 1) return false;
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

bool gcm_seal(GcmKey key, GcmNonce nonce, std::span<const std::uint8_t> aad,
              std::span<const char> in, std::span<char> out,
              std::span<std::uint8_t, 16> tag) noexcept {
  const CipherCtx ctx(EVP_CIPHER_CTX_new());
  if (!ctx || !set_up(ctx.get(), true, key, nonce, aad) || !run(ctx.get(), in, out)) return false;
  std::array<unsigned char, EVP_MAX_BLOCK_LENGTH> tail{};
  int written = 0;
  if (EVP_EncryptFinal_ex(ctx.get(), tail.data(), &written) != 1 || written != 0) return false;
  return EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(tag.size()),
                             tag.data()) == 1;
}

std::expected<void, GcmFailure> gcm_open(GcmKey key, GcmNonce nonce,
                                         std::span<const std::uint8_t> aad,
                                         std::span<const char> in, std::span<char> out,
                                         std::span<const std::uint8_t, 16> tag) noexcept {
  const CipherCtx ctx(EVP_CIPHER_CTX_new());
  if (!ctx || !set_up(ctx.get(), false, key, nonce, aad) || !run(ctx.get(), in, out)) {
    return std::unexpected(GcmFailure::Cipher);
  }
  // The expected tag goes in before the final call, which compares it in
  // constant time.
  std::array<std::uint8_t, 16> stored_tag{};
  std::copy(tag.begin(), tag.end(), stored_tag.begin());
  if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(stored_tag.size()),
                          stored_tag.data()) != 1) {
    return std::unexpected(GcmFailure::Cipher);
  }
  std::array<unsigned char, EVP_MAX_BLOCK_LENGTH> tail{};
  int written = 0;
  if (EVP_DecryptFinal_ex(ctx.get(), tail.data(), &written) != 1 || written != 0) {
    return std::unexpected(GcmFailure::TagMismatch);
  }
  return {};
}

}  // namespace norvane::platform::posix

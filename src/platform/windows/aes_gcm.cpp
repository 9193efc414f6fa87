// AES-256-GCM decryption through CNG.
#ifdef _WIN32

#include "platform/aes_gcm.h"

#include <algorithm>
#include <array>
#include <cstddef>

// clang-format off
#include "platform/windows/win32.h"
#include <bcrypt.h>
// clang-format on

namespace norvane::platform {

namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);

class Algorithm {
 public:
  Algorithm() = default;
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  ~Algorithm() {
    if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  [[nodiscard]] BCRYPT_ALG_HANDLE* out() noexcept { return &handle_; }
  [[nodiscard]] BCRYPT_ALG_HANDLE get() const noexcept { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (handle_ != nullptr) BCryptDestroyKey(handle_);
  }
  [[nodiscard]] BCRYPT_KEY_HANDLE* out() noexcept { return &handle_; }
  [[nodiscard]] BCRYPT_KEY_HANDLE get() const noexcept { return handle_; }

 private:
  BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// CNG counts in ULONG; a longer text goes through as a chain of calls whose
// pieces, all but the last, are whole blocks.
constexpr std::size_t kChunk = std::size_t{1} << 30;

}  // namespace

std::expected<void, GcmFailure> aes256_gcm_decrypt_in_place(
    std::span<const std::uint8_t, 32> key, std::span<const std::uint8_t, 12> nonce,
    std::span<char> text, std::span<const std::uint8_t, 16> tag) noexcept {
  Algorithm algorithm;
  if (BCryptOpenAlgorithmProvider(algorithm.out(), BCRYPT_AES_ALGORITHM, nullptr, 0) !=
      kStatusSuccess) {
    return std::unexpected(GcmFailure::Cipher);
  }
  if (BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                        sizeof(BCRYPT_CHAIN_MODE_GCM), 0) != kStatusSuccess) {
    return std::unexpected(GcmFailure::Cipher);
  }
  Key key_handle;
  if (BCryptGenerateSymmetricKey(algorithm.get(), key_handle.out(), nullptr, 0,
                                 const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()),
                                 0) != kStatusSuccess) {
    return std::unexpected(GcmFailure::Cipher);
  }

  std::array<std::uint8_t, 12> iv{};
  std::copy(nonce.begin(), nonce.end(), iv.begin());
  std::array<std::uint8_t, 16> expected_tag{};
  std::copy(tag.begin(), tag.end(), expected_tag.begin());
  std::array<std::uint8_t, 16> mac_context{};
  std::array<std::uint8_t, 16> chain_iv{};

  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  BCRYPT_INIT_AUTH_MODE_INFO(info);
  info.pbNonce = iv.data();
  info.cbNonce = static_cast<ULONG>(iv.size());
  info.pbTag = expected_tag.data();
  info.cbTag = static_cast<ULONG>(expected_tag.size());
  info.pbMacContext = mac_context.data();
  info.cbMacContext = static_cast<ULONG>(mac_context.size());

  std::size_t done = 0;
  do {
    const std::size_t n = std::min(text.size() - done, kChunk);
    const bool last = done + n == text.size();
    if (last) {
      info.dwFlags &= ~static_cast<ULONG>(BCRYPT_AUTH_MODE_CHAIN_CALLS_FLAG);
    } else {
      info.dwFlags |= BCRYPT_AUTH_MODE_CHAIN_CALLS_FLAG;
    }
    auto* piece = reinterpret_cast<PUCHAR>(text.data() + done);
    ULONG written = 0;
    const NTSTATUS status = BCryptDecrypt(key_handle.get(), piece, static_cast<ULONG>(n), &info,
                                          chain_iv.data(), static_cast<ULONG>(chain_iv.size()),
                                          piece, static_cast<ULONG>(n), &written, 0);
    if (status == kStatusAuthTagMismatch) return std::unexpected(GcmFailure::TagMismatch);
    if (status != kStatusSuccess || written != n) return std::unexpected(GcmFailure::Cipher);
    done += n;
  } while (done < text.size());
  return {};
}

}  // namespace norvane::platform

#endif  // _WIN32

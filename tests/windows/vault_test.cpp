// Vault payloads decrypted through CNG.
#include "norvane/protect/vault.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "norvane/protect/body.h"
#include "platform/data_protection.h"
#include "support/gcm_vectors.h"
// clang-format off
#include "platform/windows/win32.h"
#include <bcrypt.h>
// clang-format on

namespace norvane {
namespace {

using testing::Key;
using testing::key_from_hex;
using testing::payload_of;
using testing::unhex;

using testing::GcmVector;
constexpr const auto& kVectors = testing::kGcmVectors;

// A vault payload made with CNG's encryption (the library only decrypts):
// nonce, ciphertext, tag. Empty on failure.
std::string seal(const Key& key, const std::string& nonce, const std::string& plain) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_KEY_HANDLE key_handle = nullptr;
  std::string out;
  std::array<UCHAR, 12> iv{};
  std::copy(nonce.begin(), nonce.end(), iv.begin());
  std::array<UCHAR, 16> tag{};
  std::string cipher(plain.size(), '\0');
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  BCRYPT_INIT_AUTH_MODE_INFO(info);
  info.pbNonce = iv.data();
  info.cbNonce = static_cast<ULONG>(iv.size());
  info.pbTag = tag.data();
  info.cbTag = static_cast<ULONG>(tag.size());
  ULONG written = 0;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0) == 0 &&
      BCryptSetProperty(algorithm, BCRYPT_CHAINING_MODE,
                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                        sizeof(BCRYPT_CHAIN_MODE_GCM), 0) == 0 &&
      BCryptGenerateSymmetricKey(algorithm, &key_handle, nullptr, 0, const_cast<UCHAR*>(key.data()),
                                 static_cast<ULONG>(key.size()), 0) == 0 &&
      BCryptEncrypt(key_handle, reinterpret_cast<PUCHAR>(const_cast<char*>(plain.data())),
                    static_cast<ULONG>(plain.size()), &info, nullptr, 0,
                    reinterpret_cast<PUCHAR>(cipher.data()), static_cast<ULONG>(cipher.size()),
                    &written, 0) == 0 &&
      written == plain.size()) {
    out = nonce + cipher + std::string(tag.begin(), tag.end());
  }
  if (key_handle != nullptr) BCryptDestroyKey(key_handle);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  return out;
}

TEST(WindowsVaultPayload, PublishedVectorsDecrypt) {
  for (const auto& v : kVectors) {
    const Key key = key_from_hex(v.key);
    auto plain = decrypt_vault_payload(key, payload_of(v));
    ASSERT_TRUE(plain) << v.name << ": " << plain.error().detail();
    EXPECT_EQ(*plain, unhex(v.plaintext)) << v.name;
  }
}

TEST(WindowsVaultPayload, AnyFlippedBitOrOtherKeyIsAnAeadError) {
  const GcmVector& v = kVectors[2];
  const Key key = key_from_hex(v.key);
  const std::string payload = payload_of(v);
  for (std::size_t bit = 0; bit < payload.size() * 8; ++bit) {
    std::string changed = payload;
    changed[bit / 8] = static_cast<char>(changed[bit / 8] ^ (1 << (bit % 8)));
    auto plain = decrypt_vault_payload(key, changed);
    ASSERT_FALSE(plain) << "bit " << bit;
    EXPECT_EQ(plain.error(), CryptoError(CryptoError::Kind::Aead, "aead::Error")) << "bit " << bit;
  }
  Key other = key;
  other[31] ^= 0x80;
  auto plain = decrypt_vault_payload(other, payload);
  ASSERT_FALSE(plain);
  EXPECT_EQ(plain.error().kind(), CryptoError::Kind::Aead);
}

TEST(WindowsVaultPayload, ShortPayloadIsInvalidFormat) {
  const Key key{};
  auto plain = decrypt_vault_payload(key, payload_of(kVectors[0]).substr(0, 27));
  ASSERT_FALSE(plain);
  EXPECT_EQ(plain.error(), CryptoError(CryptoError::Kind::InvalidFormat,
                                       "Ciphertext payload is too short for AES-256-GCM"));
}

TEST(WindowsVaultPayload, DecryptsEveryLengthAroundTheBlockSize) {
  Key key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 37 + 1);
  const std::string nonce = unhex("0102030405060708090a0b0c");
  for (std::size_t length = 0; length <= 49; ++length) {
    std::string plain(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
      plain[i] = static_cast<char>('a' + (i * 5 + length) % 26);
    const std::string payload = seal(key, nonce, plain);
    ASSERT_EQ(payload.size(), 12 + length + 16) << "CNG could not encrypt " << length << " bytes";
    auto back = decrypt_vault_payload(key, payload);
    ASSERT_TRUE(back) << length;
    EXPECT_EQ(*back, plain) << length;
  }
}

TEST(WindowsLockedBody, RoundTripThroughDataProtectionAndCng) {
  const GcmVector& v = kVectors[1];  // sixteen NUL bytes: valid UTF-8
  auto blob = platform::protect_data(payload_of(v));
  ASSERT_TRUE(blob);
  auto text = unprotect_locked_body(key_from_hex(v.key), *blob);
  ASSERT_TRUE(text) << text.error().detail();
  EXPECT_EQ(*text, unhex(v.plaintext));

  auto foreign = unprotect_locked_body(key_from_hex(v.key), payload_of(v));
  ASSERT_FALSE(foreign);
  EXPECT_EQ(foreign.error().kind(), CryptoError::Kind::UnprotectFailed);
}

}  // namespace
}  // namespace norvane

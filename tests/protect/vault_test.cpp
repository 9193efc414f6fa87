#include "norvane/protect/vault.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <memory>
#include <random>
#include <string>

#include "printers.h"
#include "protect/vault_detail.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using namespace std::string_view_literals;

using Key = std::array<std::uint8_t, 32>;

std::string unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

Key key_from_hex(std::string_view hex) {
  const std::string raw = unhex(hex);
  Key key{};
  std::copy(raw.begin(), raw.end(), key.begin());
  return key;
}

// A vault payload made with OpenSSL directly: nonce, ciphertext, tag.
std::string seal(const Key& key, const std::string& nonce, const std::string& plain) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  EXPECT_EQ(EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(),
                               reinterpret_cast<const unsigned char*>(nonce.data())),
            1);
  std::string out = nonce;
  out.resize(nonce.size() + plain.size() + 16);
  auto* ct = reinterpret_cast<unsigned char*>(out.data() + nonce.size());
  int len = 0;
  EXPECT_EQ(
      EVP_EncryptUpdate(ctx.get(), ct, &len, reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int>(plain.size())),
      1);
  EXPECT_EQ(EVP_EncryptFinal_ex(ctx.get(), ct + len, &len), 1);
  EXPECT_EQ(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, ct + plain.size()), 1);
  return out;
}

std::string random_bytes(std::size_t n, std::mt19937& rng) {
  std::string out(n, '\0');
  for (auto& b : out) b = static_cast<char>(rng());
  return out;
}

// The AES-256 cases (13 to 15) of the original GCM paper: 96-bit IV, no
// associated data.
struct GcmVector {
  const char* name;
  const char* key;
  const char* iv;
  const char* plaintext;
  const char* ciphertext;
  const char* tag;
};

constexpr GcmVector kVectors[] = {
    {"case 13", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "", "", "530f8afbc74536b9a963b4f1c4cb738b"},
    {"case 14", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "00000000000000000000000000000000",
     "cea7403d4d606b6e074ec5d3baf39d18", "d0d1c8a799996bf0265b98b5d48ab919"},
    {"case 15", "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308",
     "cafebabefacedbaddecaf888",
     "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
     "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255",
     "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
     "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad",
     "b094dac5d93471bdec1a502270e3cc6c"},
};

std::string payload_of(const GcmVector& v) {
  return unhex(v.iv) + unhex(v.ciphertext) + unhex(v.tag);
}

TEST(VaultPayload, PublishedVectorsAreTypedCorrectly) {
  for (const auto& v : kVectors) {
    EXPECT_EQ(seal(key_from_hex(v.key), unhex(v.iv), unhex(v.plaintext)), payload_of(v)) << v.name;
  }
}

TEST(VaultPayload, PublishedVectorsDecrypt) {
  for (const auto& v : kVectors) {
    const Key key = key_from_hex(v.key);
    auto plain = decrypt_vault_payload(key, payload_of(v));
    ASSERT_TRUE(plain) << v.name << ": " << plain.error().detail();
    EXPECT_EQ(*plain, unhex(v.plaintext)) << v.name;
  }
}

TEST(VaultPayload, TwentyEightBytesHoldAnEmptyBody) {
  const std::string payload = payload_of(kVectors[0]);
  ASSERT_EQ(payload.size(), 28u);
  const Key key{};
  auto plain = decrypt_vault_payload(key, payload);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->empty());
}

TEST(VaultPayload, ShorterPayloadsAreInvalidFormat) {
  const Key key{};
  const auto expected =
      CryptoError::invalid_format("Ciphertext payload is too short for AES-256-GCM");
  const std::string payload = payload_of(kVectors[0]);
  for (std::size_t len = 0; len < 28; ++len) {
    auto plain = decrypt_vault_payload(key, std::string_view(payload).substr(0, len));
    ASSERT_FALSE(plain) << len;
    EXPECT_EQ(plain.error(), expected) << len;
  }
}

TEST(VaultPayload, AnyFlippedBitOrOtherKeyIsAnAeadError) {
  const GcmVector& v = kVectors[2];
  const Key key = key_from_hex(v.key);
  const std::string payload = payload_of(v);
  const auto expected = CryptoError::aead("aead::Error");
  for (std::size_t bit = 0; bit < payload.size() * 8; ++bit) {
    std::string damaged = payload;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
    auto plain = decrypt_vault_payload(key, damaged);
    ASSERT_FALSE(plain) << "bit " << bit;
    EXPECT_EQ(plain.error(), expected) << "bit " << bit;
  }
  for (std::size_t byte = 0; byte < key.size(); ++byte) {
    Key other = key;
    other[byte] ^= 0x01;
    auto plain = decrypt_vault_payload(other, payload);
    ASSERT_FALSE(plain) << "key byte " << byte;
    EXPECT_EQ(plain.error(), expected);
  }
}

TEST(VaultPayload, DecryptsEveryLengthAroundTheBlockSize) {
  std::mt19937 rng(3);
  Key key{};
  for (auto& b : key) b = static_cast<std::uint8_t>(rng());
  for (std::size_t len = 0; len <= 70; ++len) {
    const std::string plain = random_bytes(len, rng);
    auto back = decrypt_vault_payload(key, seal(key, random_bytes(12, rng), plain));
    ASSERT_TRUE(back) << len;
    EXPECT_EQ(*back, plain) << len;
  }
}

TEST(VaultPayload, CiphertextLimitStopsBeforeTheCounterWraps) {
  EXPECT_TRUE(detail::gcm_ciphertext_fits(0));
  EXPECT_TRUE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) - 32));
  EXPECT_FALSE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) - 31));
  EXPECT_FALSE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) + 16));
}

class LockedBody : public ::testing::Test {
 protected:
  LockedBody() {
    std::mt19937 rng(5);
    for (auto& b : key_) b = static_cast<std::uint8_t>(rng());
  }
  [[nodiscard]] Bytes body_enc(const std::string& plain) {
    auto blob = protect_body(seal(key_, std::string(12, '\x42'), plain));
    EXPECT_TRUE(blob);
    return blob ? *blob : Bytes{};
  }

  testing::ScopedUserHome home_;
  Key key_{};
};

TEST_F(LockedBody, RoundTripThroughBothLayers) {
  const std::string text = "locked: Grüße 🎉\n  with white space  ";
  auto body = unprotect_locked_body(key_, body_enc(text));
  ASSERT_TRUE(body) << body.error().detail();
  EXPECT_EQ(*body, text);
  auto empty = unprotect_locked_body(key_, body_enc(""));
  ASSERT_TRUE(empty) << empty.error().detail();
  EXPECT_TRUE(empty->empty());
}

TEST_F(LockedBody, EachLayerReportsItsOwnFailure) {
  // An empty body_enc unprotects to an empty payload, which is too short.
  auto empty = unprotect_locked_body(key_, ""sv);
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.error(),
            CryptoError::invalid_format("Ciphertext payload is too short for AES-256-GCM"));

  // Not a protected blob: the data protection layer fails before any AES.
  auto raw_payload = seal(key_, std::string(12, '\x01'), "never protected");
  auto unprotected = unprotect_locked_body(key_, raw_payload);
  ASSERT_FALSE(unprotected);
  EXPECT_EQ(unprotected.error(),
            CryptoError::unprotect_failed("The data is invalid. (0x8007000D)"));

  Key wrong = key_;
  wrong[31] ^= 0x80;
  auto wrong_key = unprotect_locked_body(wrong, body_enc("secret"));
  ASSERT_FALSE(wrong_key);
  EXPECT_EQ(wrong_key.error(), CryptoError::aead("aead::Error"));

  // Authentic, but not text.
  auto not_text = unprotect_locked_body(key_, body_enc("ok\xFF"));
  ASSERT_FALSE(not_text);
  EXPECT_EQ(not_text.error(),
            CryptoError::utf8_decode("invalid utf-8 sequence of 1 bytes from index 2"));
}

}  // namespace
}  // namespace norvane

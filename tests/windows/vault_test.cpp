// Vault payloads decrypted through CNG.
#include "norvane/protect/vault.h"

#include <gtest/gtest.h>

#include <string>

#include "cng_faults.h"
#include "norvane/protect/body.h"
#include "platform/data_protection.h"
#include "support/gcm_vectors.h"
#include "support/vault_seal.h"

namespace norvane {
namespace {

using testing::Key;
using testing::key_from_hex;
using testing::payload_of;
using testing::unhex;

using testing::GcmVector;
constexpr const auto& kVectors = testing::kGcmVectors;

constexpr auto& seal = testing::seal_vault_payload;

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

// A CNG call that fails, whichever it is, fails the payload as an AEAD error;
// a failure taken as success would hand out the text.
TEST(WindowsVaultPayload, AFailingCngCallIsAnAeadError) {
  using testing::CngCall;
  const GcmVector& v = kVectors[2];
  struct Case {
    const char* what;
    CngCall call;
    bool written_short;
  };
  const Case cases[] = {
      {"no AES provider", CngCall::OpenAlgorithmProvider, false},
      {"GCM refused", CngCall::SetProperty, false},
      {"key refused", CngCall::GenerateSymmetricKey, false},
      {"decryption fails", CngCall::Decrypt, false},
      {"decryption comes back short", CngCall::Decrypt, true},
  };
  const std::string text = unhex(v.plaintext);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Before the call, so that it cannot take the block that the call frees.
    std::string freed(text.size(), '\0');
    const testing::ScopedCngFault fault(c.call, static_cast<NTSTATUS>(0xC0000001L), 0,
                                        c.written_short);
    {
      auto plain = decrypt_vault_payload(key_from_hex(v.key), payload_of(v));
      ASSERT_FALSE(plain);
      EXPECT_EQ(plain.error(), CryptoError(CryptoError::Kind::Aead, "aead::Error"));
    }
    EXPECT_EQ(fault.hits(), 1);
    if (c.call != CngCall::Decrypt) continue;
    // The decrypted text was written where the result would have been; that
    // block was wiped before it was freed. The heap keeps its bookkeeping in
    // the first bytes of a freed block, so only the rest is compared.
    ASSERT_EQ(fault.output_size(), text.size());
    SIZE_T read = 0;
    ASSERT_TRUE(
        ReadProcessMemory(GetCurrentProcess(), fault.output(), freed.data(), freed.size(), &read));
    ASSERT_EQ(read, freed.size());
    constexpr std::size_t kBookkeeping = 32;
    EXPECT_NE(freed.substr(kBookkeeping), text.substr(kBookkeeping))
        << "the plaintext is still there";
  }
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

  // Authentic, but not text: the text is wiped before it is freed. The heap
  // keeps its bookkeeping in the first bytes of a freed block, so only the
  // rest is compared.
  const Key key = key_from_hex(v.key);
  std::string plain;
  for (int i = 0; i < 255; ++i) plain.push_back(static_cast<char>('a' + i % 26));
  plain.push_back('\xFF');
  auto not_text_blob = platform::protect_data(seal(key, std::string(12, '\x42'), plain));
  ASSERT_TRUE(not_text_blob);
  // Before the call, and read before anything else is allocated, so that
  // nothing else can take the block.
  std::string freed(plain.size(), '\0');
  // Skips the one decryption: only watches where it writes.
  const testing::ScopedCngFault watch(testing::CngCall::Decrypt, static_cast<NTSTATUS>(0xC0000001L),
                                      1);
  auto not_text = unprotect_locked_body(key, *not_text_blob);
  ASSERT_EQ(watch.output_size(), plain.size());
  SIZE_T read = 0;
  ASSERT_TRUE(
      ReadProcessMemory(GetCurrentProcess(), watch.output(), freed.data(), freed.size(), &read));
  ASSERT_FALSE(not_text);
  EXPECT_EQ(not_text.error(),
            CryptoError::utf8_decode("invalid utf-8 sequence of 1 bytes from index 255"));
  constexpr std::size_t kBookkeeping = 32;
  EXPECT_NE(freed.substr(kBookkeeping), plain.substr(kBookkeeping))
      << "the plaintext is still there";
}

}  // namespace
}  // namespace norvane

// Vault payloads. The first input byte picks the mode:
// - even: the rest is a payload, decrypted under a fixed key; it fails with
//   InvalidFormat exactly when shorter than 28 bytes, else with Aead, unless
//   the fuzzer forged a tag (it cannot);
// - odd: the rest is a plaintext, sealed here with OpenSSL under the fixed key
//   and then damaged at the positions the input names; the untouched payload
//   decrypts to the plaintext, a damaged one fails with Aead.
#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "check.h"
#include "norvane/protect/vault.h"

namespace {

constexpr std::array<std::uint8_t, 32> kKey = {
    0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae, 0xf0, 0x85, 0x7d, 0x77, 0x81,
    0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61, 0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};

std::string seal(std::string_view plain, std::uint8_t nonce_byte) {
  std::string out(12, static_cast<char>(nonce_byte));
  out.resize(12 + plain.size() + 16);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int len = 0;
  FUZZ_CHECK(EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, kKey.data(),
                                reinterpret_cast<const unsigned char*>(out.data())) == 1);
  FUZZ_CHECK(EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data() + 12), &len,
                               reinterpret_cast<const unsigned char*>(plain.data()),
                               static_cast<int>(plain.size())) == 1);
  FUZZ_CHECK(EVP_EncryptFinal_ex(ctx, nullptr, &len) == 1);
  FUZZ_CHECK(EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, out.data() + 12 + plain.size()) ==
             1);
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1U << 16)) return 0;
  const norvane::VaultKey key(kKey);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  if ((data[0] & 1) == 0) {
    const auto result = norvane::decrypt_vault_payload(key, rest);
    FUZZ_CHECK(!result.has_value());
    if (rest.size() < 28) {
      FUZZ_CHECK(result.error() == norvane::CryptoError::invalid_format(
                                       "Ciphertext payload is too short for AES-256-GCM"));
    } else {
      FUZZ_CHECK(result.error() == norvane::CryptoError::aead("aead::Error"));
    }
    return 0;
  }

  // Odd: the first 4 bytes after the mode name damage, the rest is the text.
  if (rest.size() < 4) return 0;
  const std::string_view plain = rest.substr(4);
  std::string payload = seal(plain, data[1]);
  const auto clean = norvane::decrypt_vault_payload(key, payload);
  FUZZ_CHECK(clean.has_value() && *clean == plain);

  const std::size_t at = (static_cast<std::size_t>(data[2]) << 8 | data[3]) % payload.size();
  const auto flip = static_cast<char>(data[4] == 0 ? 1 : data[4]);
  if ((data[2] & 0x80) != 0) {
    payload.resize(at);  // cut short
  } else {
    payload[at] = static_cast<char>(payload[at] ^ flip);
  }
  const auto damaged = norvane::decrypt_vault_payload(key, payload);
  FUZZ_CHECK(!damaged.has_value());
  FUZZ_CHECK(damaged.error().kind() == (payload.size() < 28
                                            ? norvane::CryptoError::Kind::InvalidFormat
                                            : norvane::CryptoError::Kind::Aead));
  return 0;
}

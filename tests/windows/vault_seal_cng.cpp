// Vault payloads sealed with CNG's AES-256-GCM encryption.
#include <array>

#include "support/vault_seal.h"
// clang-format off
#include "platform/windows/win32.h"
#include <bcrypt.h>
// clang-format on

namespace norvane::testing {

std::string seal_vault_payload(const Key& key, const std::string& nonce, const std::string& plain) {
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

}  // namespace norvane::testing

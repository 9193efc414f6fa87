// Vault payloads sealed with OpenSSL.
#include <openssl/evp.h>

#include <memory>

#include "support/vault_seal.h"

namespace norvane::testing {

std::string seal_vault_payload(const Key& key, const std::string& nonce, const std::string& plain) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(),
                                 reinterpret_cast<const unsigned char*>(nonce.data())) != 1) {
    return {};
  }
  std::string out = nonce;
  out.resize(nonce.size() + plain.size() + 16);
  auto* ct = reinterpret_cast<unsigned char*>(out.data() + nonce.size());
  int len = 0;
  if (EVP_EncryptUpdate(ctx.get(), ct, &len, reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int>(plain.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), ct + len, &len) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, ct + plain.size()) != 1) {
    return {};
  }
  return out;
}

}  // namespace norvane::testing

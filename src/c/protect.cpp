// The C interface of body protection and vault payloads.

#include <span>
#include <string>

#include "c/buffer.h"
#include "c/c_error.h"
#include "c/vault_key.h"
#include "norvane/protect/body.h"
#include "norvane/protect/vault.h"

namespace norvane::c_api {

namespace {

[[nodiscard]] std::span<const char> bytes_of(const void* data, std::size_t len) noexcept {
  if (len == 0) return {};
  return {static_cast<const char*>(data), len};
}

// Hands out the result of a body-protection call, or its error.
template <typename Result, typename Out>
[[nodiscard]] ErrorPtr hand_out_result(Result& result, Out** out, std::size_t* out_len) {
  if (!result) return to_c_error(result.error());
  char* buffer = nullptr;
  auto e = hand_out(*result, &buffer, out_len);
  if (!e) *out = reinterpret_cast<Out*>(buffer);
  return e;
}

}  // namespace

std::expected<VaultKey, ErrorPtr> checked_vault_key(const std::uint8_t* key, std::size_t len) {
  if (key == nullptr) return std::unexpected(invalid_argument("vault_key is NULL"));
  if (len != 32) {
    return std::unexpected(
        invalid_argument("vault_key_len is " + std::to_string(len) + ", not 32"));
  }
  return VaultKey(key, 32);
}

}  // namespace norvane::c_api

using namespace norvane::c_api;

extern "C" {

int32_t norvane_protect_body(const char* body, size_t body_len, uint8_t** out_blob, size_t* out_len,
                             norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_bytes(body, body_len, "body")) return e;
    if (out_blob == nullptr) return invalid_argument("out_blob is NULL");
    auto blob = norvane::protect_body(bytes_of(body, body_len));
    return hand_out_result(blob, out_blob, out_len);
  });
}

int32_t norvane_unprotect_bytes(const uint8_t* blob, size_t blob_len, uint8_t** out_bytes,
                                size_t* out_len, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_bytes(blob, blob_len, "blob")) return e;
    if (out_bytes == nullptr) return invalid_argument("out_bytes is NULL");
    auto bytes = norvane::unprotect_bytes(bytes_of(blob, blob_len));
    return hand_out_result(bytes, out_bytes, out_len);
  });
}

int32_t norvane_unprotect_body(const uint8_t* blob, size_t blob_len, char** out_text,
                               size_t* out_len, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_bytes(blob, blob_len, "blob")) return e;
    if (out_text == nullptr) return invalid_argument("out_text is NULL");
    auto text = norvane::unprotect_body(bytes_of(blob, blob_len));
    return hand_out_result(text, out_text, out_len);
  });
}

int32_t norvane_decrypt_vault_payload(const uint8_t* vault_key, size_t vault_key_len,
                                      const uint8_t* payload, size_t payload_len,
                                      uint8_t** out_bytes, size_t* out_len, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    auto key = checked_vault_key(vault_key, vault_key_len);
    if (!key) return std::move(key.error());
    if (auto e = check_bytes(payload, payload_len, "payload")) return e;
    if (out_bytes == nullptr) return invalid_argument("out_bytes is NULL");
    auto bytes = norvane::decrypt_vault_payload(*key, bytes_of(payload, payload_len));
    return hand_out_result(bytes, out_bytes, out_len);
  });
}

int32_t norvane_unprotect_locked_body(const uint8_t* vault_key, size_t vault_key_len,
                                      const uint8_t* body_enc, size_t body_enc_len, char** out_text,
                                      size_t* out_len, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    auto key = checked_vault_key(vault_key, vault_key_len);
    if (!key) return std::move(key.error());
    if (auto e = check_bytes(body_enc, body_enc_len, "body_enc")) return e;
    if (out_text == nullptr) return invalid_argument("out_text is NULL");
    auto text = norvane::unprotect_locked_body(*key, bytes_of(body_enc, body_enc_len));
    return hand_out_result(text, out_text, out_len);
  });
}

}  // extern "C"

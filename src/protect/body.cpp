#include "norvane/protect/body.h"

#include <utility>

#include "norvane/text/utf8.h"
#include "platform/data_protection.h"
#include "platform/secure_wipe.h"
#include "protect/last_error.h"

namespace norvane {

BodyBatch::BodyBatch() noexcept {
  platform::KeyCheckBatch::enter();
}

BodyBatch::~BodyBatch() {
  platform::KeyCheckBatch::leave();
}

std::expected<Bytes, CryptoError> protect_body(std::span<const char> body) {
  if (body.empty()) return Bytes{};
  auto blob = platform::protect_data(body);
  if (!blob) return std::unexpected(CryptoError::protect_failed(error_text_for(blob.error())));
  return std::move(*blob);
}

std::expected<Bytes, CryptoError> unprotect_bytes(std::span<const char> blob) {
  if (blob.empty()) return Bytes{};
  auto bytes = platform::unprotect_data(blob);
  if (!bytes) {
    return std::unexpected(CryptoError::unprotect_failed(error_text_for(bytes.error())));
  }
  return std::move(*bytes);
}

std::expected<std::string, CryptoError> unprotect_body(std::span<const char> blob) {
  auto bytes = unprotect_bytes(blob);
  if (!bytes) return std::unexpected(std::move(bytes.error()));
  if (auto valid = validate_utf8(*bytes); !valid) {
    platform::secure_wipe(std::span{*bytes});
    return std::unexpected(CryptoError::utf8_decode(valid.error().text()));
  }
  return std::move(*bytes);
}

}  // namespace norvane

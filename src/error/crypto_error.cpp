#include "norvane/error/crypto_error.h"

#include <fmt/format.h>

#include "error/debug_text.h"

namespace norvane {

const char* kind_name(CryptoError::Kind kind) noexcept {
  switch (kind) {
    case CryptoError::Kind::ProtectFailed:
      return "ProtectFailed";
    case CryptoError::Kind::UnprotectFailed:
      return "UnprotectFailed";
    case CryptoError::Kind::Utf8Decode:
      return "Utf8Decode";
    case CryptoError::Kind::Aead:
      return "Aead";
    case CryptoError::Kind::KeyDerivation:
      return "KeyDerivation";
    case CryptoError::Kind::InvalidFormat:
      break;
  }
  // A value outside the enumeration reads as the last kind.
  return "InvalidFormat";
}

std::string CryptoError::message() const {
  switch (kind_) {
    case Kind::ProtectFailed:
      return fmt::format("DPAPI CryptProtectData failed: {}", detail_);
    case Kind::UnprotectFailed:
      return fmt::format("DPAPI CryptUnprotectData failed: {}", detail_);
    case Kind::Utf8Decode:
      return fmt::format("UTF-8 decoding error: {}", detail_);
    case Kind::Aead:
      return fmt::format("AES-256-GCM cipher error: {}", detail_);
    case Kind::KeyDerivation:
      return fmt::format("Key derivation error: {}", detail_);
    case Kind::InvalidFormat:
      break;
  }
  return fmt::format("Invalid payload format: {}", detail_);
}

std::string CryptoError::debug() const {
  std::string out = kind_name(kind_);
  out.push_back('(');
  append_debug_quoted(out, detail_);
  out.push_back(')');
  return out;
}

}  // namespace norvane

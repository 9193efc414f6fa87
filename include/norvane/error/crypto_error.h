// The error of the body-protection layer.
#pragma once

#include <string>

#include "norvane/error/error.h"

namespace norvane {

class CryptoError final : public Error {
 public:
  enum class Kind {
    ProtectFailed,
    UnprotectFailed,
    Utf8Decode,
    Aead,
    KeyDerivation,
    InvalidFormat,
  };

  CryptoError(Kind kind, std::string detail) : kind_(kind), detail_(std::move(detail)) {}

  [[nodiscard]] static CryptoError protect_failed(std::string d) {
    return {Kind::ProtectFailed, std::move(d)};
  }
  [[nodiscard]] static CryptoError unprotect_failed(std::string d) {
    return {Kind::UnprotectFailed, std::move(d)};
  }
  [[nodiscard]] static CryptoError utf8_decode(std::string d) {
    return {Kind::Utf8Decode, std::move(d)};
  }
  [[nodiscard]] static CryptoError aead(std::string d) { return {Kind::Aead, std::move(d)}; }
  [[nodiscard]] static CryptoError key_derivation(std::string d) {
    return {Kind::KeyDerivation, std::move(d)};
  }
  [[nodiscard]] static CryptoError invalid_format(std::string d) {
    return {Kind::InvalidFormat, std::move(d)};
  }

  [[nodiscard]] Kind kind() const noexcept { return kind_; }
  [[nodiscard]] const std::string& detail() const noexcept { return detail_; }

  [[nodiscard]] std::string message() const override;
  [[nodiscard]] std::string debug() const override;

  friend bool operator==(const CryptoError& a, const CryptoError& b) noexcept {
    return a.kind_ == b.kind_ && a.detail_ == b.detail_;
  }

 private:
  Kind kind_;
  std::string detail_;
};

[[nodiscard]] const char* kind_name(CryptoError::Kind kind) noexcept;

}  // namespace norvane

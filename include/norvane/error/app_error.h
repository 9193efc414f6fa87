// The application-wide error that every fallible operation of the note store
// and of the rest of the library returns.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "norvane/error/crypto_error.h"
#include "norvane/error/db_error.h"
#include "norvane/error/error.h"
#include "norvane/error/io_error.h"
#include "norvane/error/json_error.h"

namespace norvane {

namespace app_error {

struct Database {
  DbError error;
};
struct Crypto {
  CryptoError error;
};
struct Serialization {
  JsonError error;
};
struct NoteNotFound {
  std::string id;
};
struct NoteDecryption {
  std::string id;
  std::string reason;
};
struct Validation {
  std::string text;
};
struct LockPoisoned {};
struct Window {
  std::string text;
};
struct Io {
  IoError error;
};
struct Update {
  std::string text;
};
struct VaultLocked {};
struct VaultNotConfigured {};
struct VaultAlreadyConfigured {};
struct IncorrectPin {};
struct IncorrectRecoveryKey {};
struct TooManyAttempts {
  std::uint64_t seconds;
};
struct Background {
  std::string text;
};

}  // namespace app_error

class AppError final : public Error {
 public:
  using Variant = std::variant<
      app_error::Database, app_error::Crypto, app_error::Serialization, app_error::NoteNotFound,
      app_error::NoteDecryption, app_error::Validation, app_error::LockPoisoned, app_error::Window,
      app_error::Io, app_error::Update, app_error::VaultLocked, app_error::VaultNotConfigured,
      app_error::VaultAlreadyConfigured, app_error::IncorrectPin, app_error::IncorrectRecoveryKey,
      app_error::TooManyAttempts, app_error::Background>;

  template <typename T>
  requires std::is_constructible_v<Variant, T&&> AppError(T&& value)
      : value_(std::forward<T>(value)) {}  // NOLINT(google-explicit-constructor)

  // The conversions of lower-level failures; each keeps the lower error as
  // payload and cause.
  AppError(DbError e) : value_(app_error::Database{std::move(e)}) {}         // NOLINT
  AppError(CryptoError e) : value_(app_error::Crypto{std::move(e)}) {}       // NOLINT
  AppError(JsonError e) : value_(app_error::Serialization{std::move(e)}) {}  // NOLINT
  AppError(IoError e) : value_(app_error::Io{std::move(e)}) {}               // NOLINT

  [[nodiscard]] const Variant& value() const noexcept { return value_; }
  template <typename T>
  [[nodiscard]] const T* get_if() const noexcept {
    return std::get_if<T>(&value_);
  }

  [[nodiscard]] std::string message() const override;
  [[nodiscard]] std::string debug() const override;
  [[nodiscard]] const Error* cause() const noexcept override;

 private:
  Variant value_;
};

}  // namespace norvane

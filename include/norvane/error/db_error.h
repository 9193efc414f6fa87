// The error of the database access layer: a failure reported by SQLite, or a
// condition that the layer detects itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "norvane/error/error.h"

namespace norvane {

// SQLite's storage classes, as the layer names them in its conditions.
enum class ValueType { Null, Integer, Real, Text, Blob };

[[nodiscard]] const char* value_type_name(ValueType type) noexcept;

namespace db_error {

// A failure reported by the engine.
struct SqliteFailure {
  int extended_code = 0;
  std::optional<std::string> message;
};
// A column held a storage class that its reader does not accept.
struct InvalidColumnType {
  int index = 0;
  std::string name;
  ValueType found = ValueType::Null;
};
// A column value could not be converted (text that is not UTF-8, a text that
// does not name a note state, ...). `detail` is the conversion's own message.
struct ConversionFailure {
  int index = 0;
  ValueType from = ValueType::Text;
  std::string detail;
};
// An integer column value that does not fit the type it is read into.
struct IntegralValueOutOfRange {
  int index = 0;
  std::int64_t value = 0;
};
// A query that was required to return a row returned none.
struct QueryReturnedNoRows {};
// A statement run for its effect returned rows.
struct ExecuteReturnedResults {};
// Binding a parameter position the statement does not have.
struct InvalidParameterCount {
  int given = 0;
  int expected = 0;
};
// Reading a column index the statement does not have.
struct InvalidColumnIndex {
  int index = 0;
};
// A statement text that holds more than one statement where one is expected.
struct MultipleStatements {};
// A path that is not valid Unicode text.
struct InvalidPath {
  std::string path;
};
// A text handed to the engine holds a NUL character.
struct NulError {
  std::size_t position = 0;
};
// A text or blob too large for the engine's 32-bit length arguments.
struct TooLarge {
  std::size_t size = 0;
};

}  // namespace db_error

class DbError final : public Error {
 public:
  using Variant = std::variant<db_error::SqliteFailure, db_error::InvalidColumnType,
                               db_error::ConversionFailure, db_error::IntegralValueOutOfRange,
                               db_error::QueryReturnedNoRows, db_error::ExecuteReturnedResults,
                               db_error::InvalidParameterCount, db_error::InvalidColumnIndex,
                               db_error::MultipleStatements, db_error::InvalidPath,
                               db_error::NulError, db_error::TooLarge>;

  template <typename T>
  requires std::is_constructible_v<Variant, T&&> DbError(T&& value)
      : value_(std::forward<T>(value)) {}  // NOLINT(google-explicit-constructor)

  [[nodiscard]] static DbError sqlite(int extended_code, std::optional<std::string> message) {
    return DbError(db_error::SqliteFailure{extended_code, std::move(message)});
  }

  [[nodiscard]] const Variant& value() const noexcept { return value_; }
  template <typename T>
  [[nodiscard]] const T* get_if() const noexcept {
    return std::get_if<T>(&value_);
  }

  // For an engine failure: the extended and primary result codes; 0 otherwise.
  [[nodiscard]] int extended_code() const noexcept;
  [[nodiscard]] int primary_code() const noexcept { return extended_code() & 0xff; }

  [[nodiscard]] std::string message() const override;
  [[nodiscard]] std::string debug() const override;

 private:
  Variant value_;
};

// The name of a primary result code in the engine failure's debug form.
[[nodiscard]] const char* primary_code_name(int primary_code) noexcept;

}  // namespace norvane

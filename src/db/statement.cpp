#include "norvane/db/statement.h"

#include <sqlite3.h>

#include <climits>

#include "db/engine_error.h"
#include "norvane/text/utf8.h"

namespace norvane {

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    finalize();
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

void Statement::finalize() noexcept {
  if (stmt_ != nullptr) {
    ::sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

namespace {

DbError stmt_error(sqlite3_stmt* stmt, int rc) {
  return engine_error(stmt != nullptr ? ::sqlite3_db_handle(stmt) : nullptr, rc);
}

ValueType value_type_of(int type) noexcept {
  switch (type) {
    case SQLITE_INTEGER:
      return ValueType::Integer;
    case SQLITE_FLOAT:
      return ValueType::Real;
    case SQLITE_TEXT:
      return ValueType::Text;
    case SQLITE_BLOB:
      return ValueType::Blob;
    default:
      return ValueType::Null;
  }
}

// The column's value, read through one call into the engine: the value
// accessors then cost no further lookup or lock. The connection is never
// shared between threads, so the value needs no protection of its own. An
// index outside the row is an error of its own.
std::expected<sqlite3_value*, DbError> column_value(sqlite3_stmt* stmt, int index) {
  if (index < 0 || index >= ::sqlite3_column_count(stmt)) {
    return std::unexpected(DbError(db_error::InvalidColumnIndex{index}));
  }
  return ::sqlite3_column_value(stmt, index);
}

}  // namespace

std::expected<bool, DbError> Statement::step() {
  const int rc = ::sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  return std::unexpected(stmt_error(stmt_, rc));
}

std::expected<void, DbError> Statement::run() {
  for (;;) {
    auto more = step();
    if (!more) return std::unexpected(std::move(more.error()));
    if (!*more) return {};
  }
}

std::expected<void, DbError> Statement::reset() {
  const int rc = ::sqlite3_reset(stmt_);
  if (rc != SQLITE_OK) return std::unexpected(stmt_error(stmt_, rc));
  return {};
}

std::expected<void, DbError> Statement::check_bind(int rc) const {
  if (rc == SQLITE_OK) return {};
  return std::unexpected(stmt_error(stmt_, rc));
}

std::expected<void, DbError> Statement::bind_text_with(int position, std::string_view text,
                                                       bool copy) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    return std::unexpected(DbError(db_error::TooLarge{text.size()}));
  }
  return check_bind(::sqlite3_bind_text(stmt_, position, text.data(), static_cast<int>(text.size()),
                                        copy ? SQLITE_TRANSIENT : SQLITE_STATIC));
}

std::expected<void, DbError> Statement::bind_blob_with(int position, std::span<const char> bytes,
                                                       bool copy) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    return std::unexpected(DbError(db_error::TooLarge{bytes.size()}));
  }
  // A null pointer would bind NULL; an empty body must stay a zero-length BLOB.
  if (bytes.empty()) return check_bind(::sqlite3_bind_zeroblob(stmt_, position, 0));
  return check_bind(::sqlite3_bind_blob(stmt_, position, bytes.data(),
                                        static_cast<int>(bytes.size()),
                                        copy ? SQLITE_TRANSIENT : SQLITE_STATIC));
}

std::expected<void, DbError> Statement::bind_text(int position, std::string_view text) {
  return bind_text_with(position, text, true);
}

std::expected<void, DbError> Statement::bind_blob(int position, std::span<const char> bytes) {
  return bind_blob_with(position, bytes, true);
}

std::expected<void, DbError> Statement::bind_text_borrowed(int position, std::string_view text) {
  return bind_text_with(position, text, false);
}

std::expected<void, DbError> Statement::bind_blob_borrowed(int position,
                                                           std::span<const char> bytes) {
  return bind_blob_with(position, bytes, false);
}

std::expected<void, DbError> Statement::bind_int64(int position, std::int64_t value) {
  return check_bind(::sqlite3_bind_int64(stmt_, position, value));
}

std::expected<void, DbError> Statement::bind_null(int position) {
  return check_bind(::sqlite3_bind_null(stmt_, position));
}

int Statement::column_count() const noexcept {
  return ::sqlite3_column_count(stmt_);
}

ValueType Statement::column_type(int index) const noexcept {
  return value_type_of(::sqlite3_column_type(stmt_, index));
}

std::string Statement::column_name(int index) const {
  const char* name = ::sqlite3_column_name(stmt_, index);
  return name != nullptr ? std::string(name) : std::string();
}

DbError Statement::invalid_column_type(int index) const {
  return DbError(db_error::InvalidColumnType{index, column_name(index), column_type(index)});
}

std::expected<std::int64_t, DbError> Statement::column_int64(int index) const {
  auto found = column_value(stmt_, index);
  if (!found) return std::unexpected(std::move(found.error()));
  sqlite3_value* const value = *found;
  if (::sqlite3_value_type(value) != SQLITE_INTEGER) {
    return std::unexpected(invalid_column_type(index));
  }
  return ::sqlite3_value_int64(value);
}

namespace {

// The text of a value known to be TEXT, checked to be UTF-8.
std::expected<std::string_view, DbError> checked_text(sqlite3_value* value, int index) {
  const auto* data = reinterpret_cast<const char*>(::sqlite3_value_text(value));
  const auto size = static_cast<std::size_t>(::sqlite3_value_bytes(value));
  const std::string_view text(data != nullptr ? data : "", size);
  if (auto valid = validate_utf8(text); !valid) {
    return std::unexpected(
        DbError(db_error::ConversionFailure{index, ValueType::Text, valid.error().text()}));
  }
  return text;
}

}  // namespace

std::expected<std::string_view, DbError> Statement::column_text(int index) const {
  auto found = column_value(stmt_, index);
  if (!found) return std::unexpected(std::move(found.error()));
  sqlite3_value* const value = *found;
  if (::sqlite3_value_type(value) != SQLITE_TEXT)
    return std::unexpected(invalid_column_type(index));
  return checked_text(value, index);
}

std::expected<std::optional<std::string_view>, DbError> Statement::column_optional_text(
    int index) const {
  auto found = column_value(stmt_, index);
  if (!found) return std::unexpected(std::move(found.error()));
  sqlite3_value* const value = *found;
  switch (::sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_TEXT:
      return checked_text(value, index);
    default:
      return std::unexpected(invalid_column_type(index));
  }
}

std::expected<std::optional<std::span<const char>>, DbError> Statement::column_optional_blob(
    int index) const {
  auto found = column_value(stmt_, index);
  if (!found) return std::unexpected(std::move(found.error()));
  sqlite3_value* const value = *found;
  switch (::sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(::sqlite3_value_blob(value));
      const auto size = static_cast<std::size_t>(::sqlite3_value_bytes(value));
      return std::span<const char>(data, data != nullptr ? size : 0);
    }
    default:
      return std::unexpected(invalid_column_type(index));
  }
}

}  // namespace norvane

// A prepared statement: a thin owner of an sqlite3_stmt whose failures come
// back as database-engine errors.
//
// Thread-safety: a statement belongs to the connection that prepared it and
// shares its rule (see norvane/db/connection.h): it may be used only by the
// thread that is using the connection at that time. A statement may outlive
// its Connection: the engine then closes the connection when the last of its
// statements is finalized.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "norvane/error/db_error.h"

struct sqlite3_stmt;

namespace norvane {

class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* stmt) noexcept : stmt_(stmt) {}
  Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { finalize(); }

  [[nodiscard]] sqlite3_stmt* handle() const noexcept { return stmt_; }
  [[nodiscard]] bool valid() const noexcept { return stmt_ != nullptr; }

  // Runs the statement up to its next row: true when a row is ready, false
  // when the statement has finished.
  [[nodiscard]] std::expected<bool, DbError> step();
  // Steps to completion, ignoring any rows.
  [[nodiscard]] std::expected<void, DbError> run();
  // Makes the statement ready to run again; bindings are kept.
  [[nodiscard]] std::expected<void, DbError> reset();

  // Parameter positions start at 1.
  [[nodiscard]] std::expected<void, DbError> bind_text(int position, std::string_view text);
  [[nodiscard]] std::expected<void, DbError> bind_blob(int position, std::span<const char> bytes);
  // The same without a copy: the bytes must stay valid and unchanged until the
  // statement has been stepped for the last time with them and is rebound,
  // reset or finalized.
  [[nodiscard]] std::expected<void, DbError> bind_text_borrowed(int position,
                                                                std::string_view text);
  [[nodiscard]] std::expected<void, DbError> bind_blob_borrowed(int position,
                                                                std::span<const char> bytes);
  [[nodiscard]] std::expected<void, DbError> bind_int64(int position, std::int64_t value);
  [[nodiscard]] std::expected<void, DbError> bind_null(int position);

  // Column access for the current row; indexes start at 0. The text and blob
  // readers check the storage class and name the column when it is wrong.
  [[nodiscard]] int column_count() const noexcept;
  [[nodiscard]] ValueType column_type(int index) const noexcept;
  [[nodiscard]] std::string column_name(int index) const;
  [[nodiscard]] std::expected<std::int64_t, DbError> column_int64(int index) const;
  // TEXT only, and it must be valid UTF-8. The view is valid until the next
  // step, reset or finalize.
  [[nodiscard]] std::expected<std::string_view, DbError> column_text(int index) const;
  // TEXT or NULL.
  [[nodiscard]] std::expected<std::optional<std::string_view>, DbError> column_optional_text(
      int index) const;
  // BLOB or NULL (nullopt). A zero-length BLOB is an empty span.
  [[nodiscard]] std::expected<std::optional<std::span<const char>>, DbError> column_optional_blob(
      int index) const;

  // The condition for a column of the wrong storage class.
  [[nodiscard]] DbError invalid_column_type(int index) const;

  void finalize() noexcept;

 private:
  [[nodiscard]] std::expected<void, DbError> check_bind(int rc) const;
  [[nodiscard]] std::expected<void, DbError> bind_text_with(int position, std::string_view text,
                                                            bool copy);
  [[nodiscard]] std::expected<void, DbError> bind_blob_with(int position,
                                                            std::span<const char> bytes, bool copy);

  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace norvane

// A transaction that is undone unless it is committed: every early return
// between BEGIN and COMMIT leaves the connection as it was.
#pragma once

#include <expected>
#include <string_view>
#include <utility>

#include "norvane/db/connection.h"
#include "norvane/error/db_error.h"

namespace norvane {

class Transaction {
 public:
  // Runs `begin_sql` ("BEGIN", "BEGIN DEFERRED", "BEGIN IMMEDIATE", ...) on
  // `conn`. On failure no transaction was opened and there is nothing to
  // undo. The connection must stay where it is and outlive the guard, which
  // is used on the connection's thread like the connection itself.
  [[nodiscard]] static std::expected<Transaction, DbError> begin(const Connection& conn,
                                                                 std::string_view begin_sql);

  Transaction(Transaction&& other) noexcept : conn_(std::exchange(other.conn_, nullptr)) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  Transaction& operator=(Transaction&&) = delete;
  ~Transaction() { rollback(); }

  // Runs "COMMIT"; after a success the guard has nothing more to do. A
  // failed COMMIT can leave the transaction open (a busy lock, for one): the
  // guard then still rolls it back.
  [[nodiscard]] std::expected<void, DbError> commit();

  // Runs "ROLLBACK" if the connection is still inside a transaction, ignoring
  // a failure of it, and leaves the guard with nothing more to do.
  void rollback() noexcept;

 private:
  explicit Transaction(const Connection& conn) noexcept : conn_(&conn) {}

  // Null once committed, rolled back or moved from.
  const Connection* conn_;
};

}  // namespace norvane

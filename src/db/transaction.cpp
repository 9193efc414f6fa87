#include "norvane/db/transaction.h"

namespace norvane {

std::expected<Transaction, DbError> Transaction::begin(const Connection& conn,
                                                       std::string_view begin_sql) {
  if (auto begun = conn.execute(begin_sql); !begun)
    return std::unexpected(std::move(begun.error()));
  return Transaction(conn);
}

std::expected<void, DbError> Transaction::commit() {
  if (auto committed = conn_->execute("COMMIT"); !committed) return committed;
  conn_ = nullptr;
  return {};
}

void Transaction::rollback() noexcept {
  const Connection* conn = std::exchange(conn_, nullptr);
  // Whether the engine still holds a transaction is the engine's to say: some
  // failures end it on their own.
  if (conn != nullptr && !conn->is_autocommit()) (void)conn->execute("ROLLBACK");
}

}  // namespace norvane

// The seeding phase: the demo catalogue inserted in one transaction.
#pragma once

#include <expected>
#include <variant>

#include "norvane/db/connection.h"
#include "norvane/error/crypto_error.h"
#include "norvane/error/db_error.h"

namespace norvane::seeder {

using SeedFailure = std::variant<DbError, CryptoError>;

// Inserts the 50 demo notes inside one deferred transaction and prints the
// two progress lines. On failure no demo note of this call remains and no
// transaction is left open.
[[nodiscard]] std::expected<void, SeedFailure> seed_demo_notes(const Connection& conn);

}  // namespace norvane::seeder

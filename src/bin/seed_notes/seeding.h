// The seeding phase: the demo catalogue inserted in one transaction.
#pragma once

#include <expected>
#include <variant>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"

namespace norvane::seeder {

// A database step hands up the engine error and body protection its
// CryptoError, both bare; the one failure of the random number generator
// comes as an I/O error inside AppError.
using SeedFailure = std::variant<DbError, CryptoError, AppError>;

// Inserts the 50 demo notes inside one deferred transaction and prints the
// two progress lines. On failure no demo note of this call remains and no
// transaction is left open.
[[nodiscard]] std::expected<void, SeedFailure> seed_demo_notes(const Connection& conn);

}  // namespace norvane::seeder

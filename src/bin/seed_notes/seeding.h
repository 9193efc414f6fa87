// The seeding phase: the demo catalogue inserted in one transaction.
#pragma once

#include <cstdio>
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

// The same, with the two progress lines written to `out`.
[[nodiscard]] std::expected<void, SeedFailure> seed_demo_notes(const Connection& conn,
                                                               std::FILE* out);

}  // namespace norvane::seeder

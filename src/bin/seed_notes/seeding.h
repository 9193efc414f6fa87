// The seeding phase: the demo catalogue inserted in one transaction.
#pragma once

#include <expected>
#include <variant>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"
#include "report.h"

namespace norvane::seeder {

// A database step hands up the engine error and body protection its
// CryptoError, both bare; the one failure of the random number generator and
// a progress line that cannot be written come as I/O errors inside AppError.
using SeedFailure = std::variant<DbError, CryptoError, AppError>;

// Inserts the 50 demo notes inside one deferred transaction and writes the
// two progress lines to `report`. On failure no transaction is left open and
// no demo note of this call remains, except when only the last line could
// not be written: the committed notes then stay.
[[nodiscard]] std::expected<void, SeedFailure> seed_demo_notes(const Connection& conn,
                                                               const Report& report = Report());

}  // namespace norvane::seeder

// The read-back benchmark and storage report.
#pragma once

#include <expected>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"

namespace norvane::seeder {

// Lists every note through the note store, timing the list query alone, and
// prints the counts, timings and the sizes of the database and its WAL.
[[nodiscard]] std::expected<void, AppError> run_retrieval_benchmark(const Connection& conn);

}  // namespace norvane::seeder

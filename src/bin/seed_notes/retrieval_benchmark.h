// The read-back benchmark and storage report.
#pragma once

#include <expected>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"
#include "report.h"

namespace norvane::seeder {

// Lists every note through the note store, timing the list query alone, and
// writes the counts, timings and the sizes of the database and its WAL to
// `report`. A line that cannot be written ends the phase with its I/O error.
[[nodiscard]] std::expected<void, AppError> run_retrieval_benchmark(
    const Connection& conn, const Report& report = Report());

}  // namespace norvane::seeder

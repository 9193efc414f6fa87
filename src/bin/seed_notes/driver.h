// The seed_notes run: flags, banner, status counts, clearing, the two phases
// and the failure report.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "norvane/db/connection.h"
#include "norvane/error/app_error.h"
#include "report_sink.h"

namespace norvane::seeder {

struct RunOptions {
  bool clear = false;
  bool stats_only = false;
};

// Whole-word, byte-for-byte flag matching; every other word is ignored.
[[nodiscard]] RunOptions parse_flags(std::span<const std::string_view> words) noexcept;

// The first failure of a run, passed on unchanged from the step that met it.
using RunFailure = std::variant<AppError, DbError, CryptoError>;

[[nodiscard]] const Error& as_error(const RunFailure& failure) noexcept;

struct StatusCounts {
  std::int64_t active = 0;
  std::int64_t archived = 0;
};

[[nodiscard]] std::expected<StatusCounts, DbError> read_status_counts(const Connection& conn);

// Runs the command with its command-line words (the program name included)
// and returns the exit status. The report goes to `out`, the failure line to
// `err`.
[[nodiscard]] int run(std::span<const std::string_view> words, ReportSink out = to_stdout,
                      ReportSink err = to_stderr);

}  // namespace norvane::seeder

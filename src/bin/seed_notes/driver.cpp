#include "driver.h"

#include <fmt/format.h>

#include "norvane/db/location.h"
#include "norvane/db/open.h"
#include "report.h"
#include "retrieval_benchmark.h"
#include "seeding.h"

namespace norvane::seeder {

namespace {

constexpr std::string_view kRule = "============================================================\n";
constexpr std::string_view kDashes =
    "------------------------------------------------------------\n";

std::expected<std::int64_t, DbError> count(const Connection& conn, std::string_view sql) {
  auto stmt = conn.prepare(sql);
  if (!stmt) return std::unexpected(std::move(stmt.error()));
  auto row = stmt->step();
  if (!row) return std::unexpected(std::move(row.error()));
  if (!*row) return std::unexpected(DbError(db_error::QueryReturnedNoRows{}));
  return stmt->column_int64(0);
}

// A report line that cannot be written ends the run like any failure, as the
// I/O error inside AppError.
std::expected<void, RunFailure> checked(std::expected<void, IoError> written) {
  if (!written) return std::unexpected(RunFailure(AppError(std::move(written.error()))));
  return {};
}

std::expected<void, RunFailure> print_banner(const Report& report, const std::string& path) {
  return checked(
      report.print("{}Norvane Local Database Seeder & Performance Benchmark\nDatabase: {}\n{}",
                   kRule, path_to_display(path), kRule));
}

// Everything after opening, on the connection the caller owns.
std::expected<void, RunFailure> run_phases(const Connection& conn, const RunOptions& options,
                                           const Report& report) {
  auto counts = read_status_counts(conn);
  if (!counts) return std::unexpected(std::move(counts.error()));
  if (auto printed = checked(
          report.print("Current DB Status: {} active, {} archived, {} total notes\n",
                       counts->active, counts->archived, counts->active + counts->archived));
      !printed) {
    return printed;
  }

  if (options.stats_only) {
    if (auto bench = run_retrieval_benchmark(conn, report); !bench) {
      return std::unexpected(std::move(bench.error()));
    }
    return {};
  }

  if (options.clear) {
    if (auto printed =
            checked(report.write("\nClearing existing notes as requested (--clear)...\n"));
        !printed) {
      return printed;
    }
    if (auto cleared = conn.execute("DELETE FROM notes"); !cleared) {
      return std::unexpected(std::move(cleared.error()));
    }
    if (auto printed = checked(report.write("Cleared existing notes.\n")); !printed) return printed;
  }

  if (auto seeded = seed_demo_notes(conn, report); !seeded) {
    return std::visit(
        [](auto&& e) -> std::expected<void, RunFailure> {
          return std::unexpected(RunFailure(std::move(e)));
        },
        std::move(seeded.error()));
  }

  if (auto printed = checked(report.print(
          "\n{}Verifying Decryption & Benchmarking Database Retrieval\n{}", kDashes, kDashes));
      !printed) {
    return printed;
  }
  if (auto bench = run_retrieval_benchmark(conn, report); !bench) {
    return std::unexpected(std::move(bench.error()));
  }
  return checked(report.write("\nDone! Local dev database is now populated with demo notes.\n"));
}

}  // namespace

RunOptions parse_flags(std::span<const std::string_view> words) noexcept {
  RunOptions options;
  for (const auto word : words) {
    if (word == "--clear") options.clear = true;
    if (word == "--stats-only") options.stats_only = true;
  }
  return options;
}

const Error& as_error(const RunFailure& failure) noexcept {
  return std::visit([](const auto& e) -> const Error& { return e; }, failure);
}

std::expected<StatusCounts, DbError> read_status_counts(const Connection& conn) {
  auto active = count(conn, "SELECT COUNT(*) FROM notes WHERE state = 'active'");
  if (!active) return std::unexpected(std::move(active.error()));
  auto archived = count(conn, "SELECT COUNT(*) FROM notes WHERE state = 'archived'");
  if (!archived) return std::unexpected(std::move(archived.error()));
  return StatusCounts{*active, *archived};
}

int run(std::span<const std::string_view> words, ReportSink out, ReportSink err) {
  const RunOptions options = parse_flags(words);
  const std::string path = database_path();
  const Report report(out);

  // The banner comes before the database is opened, so it is there even when
  // opening fails; when it cannot be written the database is not touched.
  std::expected<void, RunFailure> outcome = print_banner(report, path);
  if (outcome) {
    auto conn = open_database(path);
    if (!conn) {
      outcome = std::unexpected(RunFailure(std::move(conn.error())));
    } else {
      outcome = run_phases(*conn, options, report);
    }
  }  // the connection is closed here, before any failure is reported

  if (!outcome) {
    // When standard error cannot be written either, the exit status still
    // tells of the failure.
    (void)err(fmt::format("Error: {}\n", as_error(outcome.error()).debug()));
    return 1;
  }
  return 0;
}

}  // namespace norvane::seeder

#include "driver.h"

#include <fmt/format.h>

#include <cstdio>

#include "norvane/db/location.h"
#include "norvane/db/open.h"
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

void print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// Everything after opening, on the connection the caller owns.
std::expected<void, RunFailure> run_phases(const Connection& conn, const RunOptions& options) {
  auto counts = read_status_counts(conn);
  if (!counts) return std::unexpected(std::move(counts.error()));
  fmt::print("Current DB Status: {} active, {} archived, {} total notes\n", counts->active,
             counts->archived, counts->active + counts->archived);

  if (options.stats_only) {
    if (auto bench = run_retrieval_benchmark(conn); !bench) {
      return std::unexpected(std::move(bench.error()));
    }
    return {};
  }

  if (options.clear) {
    print("\nClearing existing notes as requested (--clear)...\n");
    if (auto cleared = conn.execute("DELETE FROM notes"); !cleared) {
      return std::unexpected(std::move(cleared.error()));
    }
    print("Cleared existing notes.\n");
  }

  if (auto seeded = seed_demo_notes(conn); !seeded) {
    return std::visit(
        [](auto&& e) -> std::expected<void, RunFailure> {
          return std::unexpected(RunFailure(std::move(e)));
        },
        std::move(seeded.error()));
  }

  print("\n");
  print(kDashes);
  print("Verifying Decryption & Benchmarking Database Retrieval\n");
  print(kDashes);
  if (auto bench = run_retrieval_benchmark(conn); !bench) {
    return std::unexpected(std::move(bench.error()));
  }
  print("\nDone! Local dev database is now populated with demo notes.\n");
  return {};
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

int run(std::span<const std::string_view> words) {
  const RunOptions options = parse_flags(words);
  const std::string path = database_path();

  print(kRule);
  print("Norvane Local Database Seeder & Performance Benchmark\n");
  fmt::print("Database: {}\n", path_to_display(path));
  print(kRule);

  std::expected<void, RunFailure> outcome;
  {
    auto conn = open_database(path);
    if (!conn) {
      outcome = std::unexpected(RunFailure(std::move(conn.error())));
    } else {
      outcome = run_phases(*conn, options);
    }
  }  // the connection is closed here, before any failure is reported

  std::fflush(stdout);
  if (!outcome) {
    fmt::print(stderr, "Error: {}\n", as_error(outcome.error()).debug());
    std::fflush(stderr);
    return 1;
  }
  return 0;
}

}  // namespace norvane::seeder

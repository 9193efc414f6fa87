#include "retrieval_benchmark.h"

#include "norvane/db/list_notes.h"
#include "norvane/db/location.h"
#include "norvane/env.h"
#include "stopwatch.h"

namespace norvane::seeder {

namespace {

std::expected<void, IoError> print_size_line(const Report& report, std::string_view label,
                                             const std::string& path) {
  const auto size = env::file_size(path);
  if (!size) return {};  // a size that cannot be read is left out
  return report.print("{} file size: {} bytes ({:.2f} KB)\n", label, *size,
                      static_cast<double>(*size) / 1024.0);
}

std::expected<void, IoError> print_report(const Report& report, std::size_t total,
                                          std::size_t active, std::size_t archived,
                                          double elapsed_ms) {
  auto printed = report.print(
      "Total notes in DB: {}\n  - Active notes: {}\n  - Archived notes: {}\n"
      "Retrieved & DPAPI-decrypted {} notes in: {:.2f} ms\n",
      total, active, archived, total, elapsed_ms);
  if (!printed) return printed;
  if (total > 0) {
    printed = report.print("Average retrieval + DPAPI decryption latency: {:.2f} ms/note\n",
                           elapsed_ms / static_cast<double>(total));
    if (!printed) return printed;
  }

  const std::string db_path = database_path();
  if (printed = print_size_line(report, "Database", db_path); !printed) return printed;
  return print_size_line(report, "WAL", env::replace_extension(db_path, "db-wal"));
}

}  // namespace

std::expected<void, AppError> run_retrieval_benchmark(const Connection& conn,
                                                      const Report& report) {
  const Stopwatch stopwatch;
  auto notes = list_notes(conn, std::nullopt);
  const double elapsed_ms = stopwatch.elapsed_ms();
  if (!notes) return std::unexpected(std::move(notes.error()));

  std::size_t active = 0;
  std::size_t archived = 0;
  for (const Note& note : *notes) {
    (note.state == NoteState::Active ? active : archived) += 1;
  }
  if (auto printed = print_report(report, notes->size(), active, archived, elapsed_ms); !printed) {
    return std::unexpected(AppError(std::move(printed.error())));
  }
  return {};
}

}  // namespace norvane::seeder

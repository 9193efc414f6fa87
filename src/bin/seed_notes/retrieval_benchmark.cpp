#include "retrieval_benchmark.h"

#include <fmt/format.h>

#include "norvane/db/list_notes.h"
#include "norvane/db/location.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "stopwatch.h"

namespace norvane::seeder {

namespace {

void print_size_line(std::string_view label, const std::string& path) {
  const auto size = platform::file_size(path);
  if (!size) return;  // a size that cannot be read is left out
  fmt::print("{} file size: {} bytes ({:.2f} KB)\n", label, *size,
             static_cast<double>(*size) / 1024.0);
}

}  // namespace

std::expected<void, AppError> run_retrieval_benchmark(const Connection& conn) {
  const Stopwatch stopwatch;
  auto notes = list_notes(conn, std::nullopt);
  const double elapsed_ms = stopwatch.elapsed_ms();
  if (!notes) return std::unexpected(std::move(notes.error()));

  std::size_t active = 0;
  std::size_t archived = 0;
  for (const Note& note : *notes) {
    (note.state == NoteState::Active ? active : archived) += 1;
  }
  const std::size_t total = notes->size();
  fmt::print("Total notes in DB: {}\n", total);
  fmt::print("  - Active notes: {}\n", active);
  fmt::print("  - Archived notes: {}\n", archived);
  fmt::print("Retrieved & DPAPI-decrypted {} notes in: {:.2f} ms\n", total, elapsed_ms);
  if (total > 0) {
    fmt::print("Average retrieval + DPAPI decryption latency: {:.2f} ms/note\n",
               elapsed_ms / static_cast<double>(total));
  }

  const std::string db_path = database_path();
  print_size_line("Database", db_path);
  print_size_line("WAL", platform::replace_extension(db_path, "db-wal"));
  return {};
}

}  // namespace norvane::seeder

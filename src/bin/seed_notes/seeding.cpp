#include "seeding.h"

#include "demo_catalogue.h"
#include "norvane/db/transaction.h"
#include "norvane/env.h"
#include "norvane/protect/body.h"
#include "note_id.h"
#include "stopwatch.h"
#include "timestamp.h"

namespace norvane::seeder {

namespace {

constexpr std::string_view kInsert =
    "INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at, updated_at, "
    "archived_at)\n"
    "             VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::int64_t kSecondsPerHour = 3'600;

template <typename E>
std::unexpected<SeedFailure> fail(E&& error) {
  return std::unexpected<SeedFailure>(std::in_place, std::forward<E>(error));
}

// Inserts every catalogue row with one prepared statement, finalized on
// return whatever happens.
std::expected<void, SeedFailure> insert_catalogue(const Connection& conn,
                                                  std::span<const DemoNote> catalogue,
                                                  env::UtcTime instant) {
  auto insert = conn.prepare(kInsert);
  if (!insert) return fail(std::move(insert.error()));
  // One check of the key store serves every body of the catalogue.
  const BodyBatch batch;

  std::int64_t next_active = 0;
  std::int64_t next_archived = 0;
  for (const DemoNote& note : catalogue) {
    auto id = new_note_id();
    if (!id) return fail(AppError(std::move(id.error())));
    auto body_enc = protect_body(note.body);
    if (!body_enc) return fail(std::move(body_enc.error()));

    const std::string created_at =
        format_rfc3339(seconds_before(instant, note.days_ago * kSecondsPerDay));
    const std::string updated_at =
        format_rfc3339(seconds_before(instant, 4 * note.days_ago * kSecondsPerHour));
    const bool archived = note.state == NoteState::Archived;
    const std::int64_t sort_order = archived ? next_archived++ : next_active++;

    // Every value bound here outlives the run of the statement below, and
    // all nine are bound afresh for each row, so none is copied.
    const std::string archived_at =
        archived ? format_rfc3339(seconds_before(instant, note.days_ago / 2 * kSecondsPerDay))
                 : std::string();
    std::expected<void, DbError> bound;
    if (!(bound = insert->bind_text_borrowed(1, *id)) ||
        !(bound = insert->bind_text_borrowed(2, note.title)) ||
        !(bound = insert->bind_blob_borrowed(3, *body_enc)) ||
        !(bound = insert->bind_text_borrowed(4, note.color)) ||
        !(bound = insert->bind_text_borrowed(5, to_text(note.state))) ||
        !(bound = insert->bind_int64(6, sort_order)) ||
        !(bound = insert->bind_text_borrowed(7, created_at)) ||
        !(bound = insert->bind_text_borrowed(8, updated_at))) {
      return fail(std::move(bound.error()));
    }
    bound = archived ? insert->bind_text_borrowed(9, archived_at) : insert->bind_null(9);
    if (!bound) return fail(std::move(bound.error()));
    if (auto ran = insert->run(); !ran) return fail(std::move(ran.error()));
    if (auto reset = insert->reset(); !reset) return fail(std::move(reset.error()));
  }
  return {};
}

}  // namespace

std::expected<void, SeedFailure> seed_demo_notes(const Connection& conn, const Report& report) {
  const std::span<const DemoNote> catalogue = demo_catalogue();
  if (auto printed = report.print("\nPreparing to insert {} demo notes...\n", catalogue.size());
      !printed) {
    return fail(AppError(std::move(printed.error())));
  }

  const Stopwatch stopwatch;
  const env::UtcTime instant = env::utc_now();
  // Every return before the commit, and a commit that fails, rolls the batch
  // back; the insert statement is finalized before that.
  auto transaction = Transaction::begin(conn, "BEGIN DEFERRED");
  if (!transaction) return fail(std::move(transaction.error()));

  if (auto inserted = insert_catalogue(conn, catalogue, instant); !inserted) return inserted;
  if (auto committed = transaction->commit(); !committed) {
    return fail(std::move(committed.error()));
  }
  const double elapsed_ms = stopwatch.elapsed_ms();

  const auto count = catalogue.size();
  if (auto printed = report.print(
          "Successfully inserted and encrypted {} notes in {:.2f} ms (avg {:.2f} ms/note)\n", count,
          elapsed_ms, elapsed_ms / static_cast<double>(count));
      !printed) {
    return fail(AppError(std::move(printed.error())));  // the notes stay committed
  }
  return {};
}

}  // namespace norvane::seeder

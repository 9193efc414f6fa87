#include "norvane/db/list_notes.h"

#include "db/list_statement.h"
#include "norvane/protect/body.h"
#include "norvane/protect/vault.h"

namespace norvane {

namespace {

#define NORVANE_NOTE_COLUMNS                                                                    \
  "SELECT id, title, body_enc, color, state, sort_order, created_at, updated_at, archived_at, " \
  "is_locked\n             "

constexpr std::string_view kActive = NORVANE_NOTE_COLUMNS
    "FROM notes WHERE state = 'active' ORDER BY sort_order ASC, updated_at DESC";
constexpr std::string_view kArchived = NORVANE_NOTE_COLUMNS
    "FROM notes WHERE state = 'archived' ORDER BY archived_at DESC, updated_at DESC";
constexpr std::string_view kAll = NORVANE_NOTE_COLUMNS
    "FROM notes ORDER BY CASE state WHEN 'active' THEN 0 ELSE 1 END, sort_order ASC, "
    "updated_at DESC";

#undef NORVANE_NOTE_COLUMNS

enum Column : int {
  kId,
  kTitle,
  kBodyEnc,
  kColor,
  kState,
  kSortOrder,
  kCreatedAt,
  kUpdatedAt,
  kArchivedAt,
  kIsLocked,
};

// The stored body of the current row; valid until the next step.
using BodyEnc = std::optional<std::span<const char>>;

std::expected<void, DbError> read_text(const Statement& stmt, int index, std::string& out) {
  auto text = stmt.column_text(index);
  if (!text) return std::unexpected(std::move(text.error()));
  out.assign(*text);
  return {};
}

// Reads the current row's columns in index order into `note`; the body is
// decoded afterwards.
std::expected<void, DbError> read_row(const Statement& stmt, Note& note, BodyEnc& body_enc_out) {
  if (auto r = read_text(stmt, kId, note.id); !r) return r;
  if (auto r = read_text(stmt, kTitle, note.title); !r) return r;
  auto body_enc = stmt.column_optional_blob(kBodyEnc);
  if (!body_enc) return std::unexpected(std::move(body_enc.error()));
  body_enc_out = *body_enc;
  if (auto r = read_text(stmt, kColor, note.color); !r) return r;

  auto state_text = stmt.column_text(kState);
  if (!state_text) return std::unexpected(std::move(state_text.error()));
  auto state = parse_note_state(*state_text);
  if (!state) {
    return std::unexpected(
        DbError(db_error::ConversionFailure{kState, ValueType::Text, std::move(state.error())}));
  }
  note.state = *state;

  auto sort_order = stmt.column_int64(kSortOrder);
  if (!sort_order) return std::unexpected(std::move(sort_order.error()));
  note.sort_order = *sort_order;
  if (auto r = read_text(stmt, kCreatedAt, note.created_at); !r) return r;
  if (auto r = read_text(stmt, kUpdatedAt, note.updated_at); !r) return r;
  auto archived_at = stmt.column_optional_text(kArchivedAt);
  if (!archived_at) return std::unexpected(std::move(archived_at.error()));
  if (*archived_at) note.archived_at.emplace(**archived_at);
  auto is_locked = stmt.column_int64(kIsLocked);
  if (!is_locked) return std::unexpected(std::move(is_locked.error()));
  note.is_locked = *is_locked != 0;
  return {};
}

// Decodes the body into `note.body`: the decrypted text is moved in, not
// copied.
std::expected<void, CryptoError> decode_body(Note& note, const BodyEnc& body_enc,
                                             const std::optional<VaultKey>& vault_key) {
  if (!body_enc) return {};  // NULL: no body
  if (note.is_locked) {
    if (!vault_key) return {};  // hidden until the vault is opened
    auto body = unprotect_locked_body(*vault_key, *body_enc);
    if (!body) return std::unexpected(std::move(body.error()));
    note.body = std::move(*body);
    return {};
  }
  auto body = unprotect_body(*body_enc);
  if (!body) return std::unexpected(std::move(body.error()));
  note.body = std::move(*body);
  return {};
}

}  // namespace

std::string_view list_statement(std::optional<std::string_view> filter) noexcept {
  if (filter == "active") return kActive;
  if (filter == "archived") return kArchived;
  return kAll;
}

std::expected<std::vector<Note>, AppError> list_notes(const Connection& conn,
                                                      std::optional<std::string_view> filter) {
  return list_notes_with_key(conn, filter, std::nullopt);
}

std::expected<std::vector<Note>, AppError> list_notes_with_key(
    const Connection& conn, std::optional<std::string_view> filter,
    std::optional<VaultKey> vault_key) {
  auto stmt = conn.prepare(list_statement(filter));
  if (!stmt) return std::unexpected(AppError(std::move(stmt.error())));

  // One check of the key store serves every body of the list.
  const BodyBatch batch;
  std::vector<Note> notes;
  for (;;) {
    auto has_row = stmt->step();
    if (!has_row) return std::unexpected(AppError(std::move(has_row.error())));
    if (!*has_row) break;
    // Each note is filled where it will stay; on failure the whole list is
    // dropped anyway.
    Note& note = notes.emplace_back();
    BodyEnc body_enc;
    if (auto read = read_row(*stmt, note, body_enc); !read) {
      return std::unexpected(AppError(std::move(read.error())));
    }
    if (auto decoded = decode_body(note, body_enc, vault_key); !decoded) {
      return std::unexpected(
          AppError(app_error::NoteDecryption{std::move(note.id), decoded.error().message()}));
    }
  }
  return notes;
}

}  // namespace norvane

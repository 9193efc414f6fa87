// The C interface of the note store: where the database lives, opening it,
// and the note list.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "c/buffer.h"
#include "c/c_error.h"
#include "c/vault_key.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/location.h"
#include "norvane/db/open.h"
#include "platform/secure_wipe.h"

struct norvane_db {
  norvane::Connection conn;
  bool open = true;
};

struct norvane_note_list {
  std::vector<norvane::Note> notes;
  // Views of `notes`, which stay where they are for the life of the list.
  std::vector<norvane_note> views;

  ~norvane_note_list() {
    for (norvane::Note& note : notes) {
      norvane::platform::secure_wipe(note.body.data(), note.body.size());
    }
  }
};

namespace norvane::c_api {

namespace {

[[nodiscard]] norvane_note view_of(const Note& note) noexcept {
  norvane_note v{};
  v.id = note.id.c_str();
  v.id_len = note.id.size();
  v.title = note.title.c_str();
  v.title_len = note.title.size();
  v.body = note.body.c_str();
  v.body_len = note.body.size();
  v.color = note.color.c_str();
  v.color_len = note.color.size();
  v.state = note.state == NoteState::Active ? NORVANE_NOTE_ACTIVE : NORVANE_NOTE_ARCHIVED;
  v.is_locked = note.is_locked ? 1 : 0;
  v.sort_order = note.sort_order;
  v.created_at = note.created_at.c_str();
  v.created_at_len = note.created_at.size();
  v.updated_at = note.updated_at.c_str();
  v.updated_at_len = note.updated_at.size();
  if (note.archived_at) {
    v.archived_at = note.archived_at->c_str();
    v.archived_at_len = note.archived_at->size();
  }
  return v;
}

[[nodiscard]] ErrorPtr check_db(const norvane_db* db) {
  if (db == nullptr) return invalid_argument("db is NULL");
  if (!db->open) return invalid_argument("db is closed");
  return nullptr;
}

[[nodiscard]] std::string_view view(const char* data, std::size_t len) noexcept {
  return len == 0 ? std::string_view() : std::string_view(data, len);
}

}  // namespace

}  // namespace norvane::c_api

using namespace norvane::c_api;

extern "C" {

int32_t norvane_database_path(char** out_path, size_t* out_len, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (out_path == nullptr) return invalid_argument("out_path is NULL");
    std::string path = norvane::database_path();
    return hand_out(path, out_path, out_len);
  });
}

int32_t norvane_path_to_display(const char* path, size_t path_len, char** out_text, size_t* out_len,
                                norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_bytes(path, path_len, "path")) return e;
    if (out_text == nullptr) return invalid_argument("out_text is NULL");
    std::string text = norvane::path_to_display(view(path, path_len));
    return hand_out(text, out_text, out_len);
  });
}

int32_t norvane_db_open(const char* path, size_t path_len, norvane_db** out_db,
                        norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_bytes(path, path_len, "path")) return e;
    if (out_db == nullptr) return invalid_argument("out_db is NULL");
    auto conn = norvane::open_database(view(path, path_len));
    if (!conn) return to_c_error(conn.error());
    *out_db = new norvane_db{std::move(*conn)};
    return nullptr;
  });
}

void norvane_db_close(norvane_db* db) {
  if (db == nullptr) return;
  db->conn.close();
  db->open = false;
}

void norvane_db_free(norvane_db* db) {
  delete db;
}

int32_t norvane_list_notes(norvane_db* db, const char* filter, size_t filter_len,
                           const uint8_t* vault_key, size_t vault_key_len,
                           norvane_note_list** out_list, norvane_error** err) {
  return guarded(err, [&]() -> ErrorPtr {
    if (auto e = check_db(db)) return e;
    if (auto e = check_bytes(filter, filter_len, "filter")) return e;
    std::optional<norvane::VaultKey> key;
    if (vault_key != nullptr || vault_key_len != 0) {
      auto checked = checked_vault_key(vault_key, vault_key_len);
      if (!checked) return std::move(checked.error());
      key = *checked;
    }
    if (out_list == nullptr) return invalid_argument("out_list is NULL");
    std::optional<std::string_view> selected;
    if (filter != nullptr) selected = view(filter, filter_len);

    auto notes = norvane::list_notes_with_key(db->conn, selected, key);
    if (!notes) return to_c_error(notes.error());
    auto list = std::make_unique<norvane_note_list>();
    list->notes = std::move(*notes);
    list->views.reserve(list->notes.size());
    for (const norvane::Note& note : list->notes) list->views.push_back(view_of(note));
    *out_list = list.release();
    return nullptr;
  });
}

size_t norvane_note_list_count(const norvane_note_list* list) {
  return list != nullptr ? list->views.size() : 0;
}

const norvane_note* norvane_note_list_at(const norvane_note_list* list, size_t index) {
  if (list == nullptr || index >= list->views.size()) return nullptr;
  return &list->views[index];
}

void norvane_note_list_free(norvane_note_list* list) {
  delete list;
}

}  // extern "C"

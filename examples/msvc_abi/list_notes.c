/* Lists the notes of the Norvane database, one line each: the title, a tab
 * and the state, as examples/list_notes does, through the C interface of
 * norvane_c.dll. Built for Microsoft's C ABI without any C runtime: its own
 * entry point, and kernel32.dll for its output and its exit. It then shows
 * the texts of one failing call on standard error: a vault payload too short
 * to hold AES-256-GCM's nonce and tag. scripts/test-msvc-client.sh builds it
 * with clang for x86_64-pc-windows-msvc and lld-link, and runs it under Wine. */
#include <stddef.h>
#include <stdint.h>

#include "norvane/norvane.h"

typedef void* HANDLE;
#define STD_OUTPUT_HANDLE ((uint32_t)-11)
#define STD_ERROR_HANDLE ((uint32_t)-12)
__declspec(dllimport) HANDLE __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void* data, uint32_t size,
                                              uint32_t* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(uint32_t code);

static HANDLE out, err;

/* Writes all of `size` bytes; exits with 1 when that fails. */
static void write_bytes(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    uint32_t written = 0;
    uint32_t chunk = size > 0x40000000u ? 0x40000000u : (uint32_t)size;
    if (!WriteFile(file, data, chunk, &written, NULL) || written == 0) ExitProcess(1);
    data += written;
    size -= written;
  }
}

static void write_text(HANDLE file, const char* text) {
  size_t size = 0;
  while (text[size] != '\0') ++size;
  write_bytes(file, text, size);
}

/* Reports a failed call with its message, and exits with 1. */
static __declspec(noreturn) void fail(const char* what, norvane_error* error) {
  size_t size = 0;
  const char* message = norvane_error_message(error, &size);
  write_text(err, what);
  write_text(err, ": ");
  write_bytes(err, message, size);
  write_text(err, "\n");
  norvane_error_free(error);
  ExitProcess(1);
}

static void list_notes(void) {
  norvane_error* error = NULL;
  char* path = NULL;
  size_t path_len = 0;
  if (norvane_database_path(&path, &path_len, &error) != NORVANE_OK) fail("No database path", error);
  norvane_db* db = NULL;
  if (norvane_db_open(path, path_len, &db, &error) != NORVANE_OK) fail("Cannot open", error);
  norvane_free(path);
  /* Every note, active ones first; locked notes come back with an empty body. */
  norvane_note_list* list = NULL;
  if (norvane_list_notes(db, NULL, 0, NULL, 0, &list, &error) != NORVANE_OK)
    fail("Cannot list the notes", error);
  int bodies = 0;
  for (size_t i = 0; i < norvane_note_list_count(list); ++i) {
    const norvane_note* note = norvane_note_list_at(list, i);
    int active = note->state == NORVANE_NOTE_ACTIVE;
    write_bytes(out, note->title, note->title_len);
    write_text(out, active ? "\tactive\n" : "\tarchived\n");
    bodies += active && note->body_len > 0;
  }
  norvane_note_list_free(list);
  norvane_db_free(db);
  /* The bodies were decrypted: the seeded active notes all have one. */
  if (bodies == 0) {
    write_text(err, "No active note has a body\n");
    ExitProcess(1);
  }
}

/* A vault payload of 5 bytes cannot hold a nonce and a tag. */
static void show_failing_call(void) {
  static const uint8_t key[32];
  static const uint8_t payload[5] = {1, 2, 3, 4, 5};
  norvane_error* error = NULL;
  uint8_t* bytes = NULL;
  size_t size = 0;
  int32_t code = norvane_decrypt_vault_payload(key, sizeof key, payload, sizeof payload, &bytes,
                                               &size, &error);
  size_t len = 0;
  const char* text = norvane_error_message(error, &len);
  write_bytes(err, text, len);
  write_text(err, "\n");
  text = norvane_error_debug(error, &len);
  write_bytes(err, text, len);
  write_text(err, "\n");
  norvane_error_free(error);
  if (code != NORVANE_ERROR_INVALID_FORMAT) {
    norvane_free(bytes);
    write_text(err, "The short payload did not fail with NORVANE_ERROR_INVALID_FORMAT\n");
    ExitProcess(1);
  }
}

void __stdcall start(void) {
  out = GetStdHandle(STD_OUTPUT_HANDLE);
  err = GetStdHandle(STD_ERROR_HANDLE);
  list_notes();
  show_failing_call();
  ExitProcess(0);
}

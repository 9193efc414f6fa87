/* The C interface, called from C on a database that seed_notes filled:
 * every function, the failures of bad arguments, and a failing call's
 * texts. Run by CTest with NORVANE_DATA_DIR (and on Linux HOME and
 * XDG_DATA_HOME) set, after seed_notes has seeded the database there. */
#if defined(__linux__)
#define _POSIX_C_SOURCE 200809L
#include <fcntl.h>
#include <unistd.h>
#endif
#include <stdio.h>
#include <string.h>

#include "norvane/norvane.h"

#ifdef _WIN32
#include <windows.h>
#endif

static int failures = 0;

#define CHECK(cond)                                                      \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                        \
    }                                                                    \
  } while (0)

static int same(const char* a, size_t a_len, const char* b) {
  return a != NULL && a_len == strlen(b) && memcmp(a, b, a_len) == 0;
}

/* Checks an error's code and texts, then frees it. */
static void expect_error(norvane_error* err, int32_t code, const char* message, const char* debug,
                         int line) {
  size_t len = 0;
  const char* text = NULL;
  if (norvane_error_code(err) != code) {
    fprintf(stderr, "line %d: code %d, not %d: %s\n", line, (int)norvane_error_code(err), (int)code,
            norvane_error_message(err, NULL));
    ++failures;
  }
  text = norvane_error_message(err, &len);
  if (message != NULL && !same(text, len, message)) {
    fprintf(stderr, "line %d: message \"%s\", not \"%s\"\n", line, text, message);
    ++failures;
  }
  text = norvane_error_debug(err, &len);
  if (debug != NULL && !same(text, len, debug)) {
    fprintf(stderr, "line %d: debug form %s, not %s\n", line, text, debug);
    ++failures;
  }
  norvane_error_free(err);
}

static const uint8_t kKey[32] = {0};
/* AES-256-GCM with a zero key and a zero nonce: 16 zero bytes sealed. */
static const uint8_t kPayload[44] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0xce, 0xa7, 0x40,
    0x3d, 0x4d, 0x60, 0x6b, 0x6e, 0x07, 0x4e, 0xc5, 0xd3, 0xba, 0xf3, 0x9d, 0x18, 0xd0, 0xd1,
    0xc8, 0xa7, 0x99, 0x99, 0x6b, 0xf0, 0x26, 0x5b, 0x98, 0xb5, 0xd4, 0x8a, 0xb9, 0x19};

static void test_notes(void) {
  char* path = NULL;
  char* shown = NULL;
  size_t path_len = 0;
  size_t shown_len = 0;
  norvane_db* db = NULL;
  norvane_note_list* list = NULL;
  norvane_error* err = NULL;
  size_t i;
  size_t active = 0;
  int found = 0;

  CHECK(norvane_database_path(&path, &path_len, &err) == NORVANE_OK && err == NULL);
  CHECK(path_len > 10 && strcmp(path + path_len - 10, "norvane.db") == 0);
  CHECK(norvane_path_to_display(path, path_len, &shown, &shown_len, NULL) == NORVANE_OK);
  CHECK(shown_len == path_len && strcmp(shown, path) == 0);
  norvane_free(shown);
  CHECK(norvane_path_to_display("a\xff", 2, &shown, &shown_len, NULL) == NORVANE_OK);
  CHECK(same(shown, shown_len, "a\xef\xbf\xbd"));
  norvane_free(shown);

  CHECK(norvane_db_open(path, path_len, &db, &err) == NORVANE_OK && db != NULL);
  norvane_free(path);

  CHECK(norvane_list_notes(db, NULL, 0, NULL, 0, &list, &err) == NORVANE_OK);
  CHECK(norvane_note_list_count(list) == 50);
  for (i = 0; i < norvane_note_list_count(list); ++i) {
    const norvane_note* note = norvane_note_list_at(list, i);
    CHECK(note->id_len == 36 && note->id[36] == '\0');
    CHECK(note->color_len > 0 && note->created_at_len > 0 && note->updated_at_len > 0);
    CHECK(note->is_locked == 0);
    if (note->state == NORVANE_NOTE_ACTIVE) {
      ++active;
      CHECK(note->archived_at == NULL && note->archived_at_len == 0);
    } else {
      CHECK(note->state == NORVANE_NOTE_ARCHIVED && note->archived_at_len > 0);
    }
    if (same(note->title, note->title_len, "Sprint 42 Goals & Priorities \xf0\x9f\x8e\xaf")) {
      found = 1;
      CHECK(note->state == NORVANE_NOTE_ACTIVE && note->body_len > 0 &&
            strlen(note->body) == note->body_len && note->sort_order >= 0);
    }
  }
  CHECK(active == 40 && found);
  CHECK(norvane_note_list_at(list, 50) == NULL);
  norvane_note_list_free(list);

  /* The filter, and a key for locked bodies (the demo notes have none). */
  CHECK(norvane_list_notes(db, "archived", 8, kKey, 32, &list, NULL) == NORVANE_OK);
  CHECK(norvane_note_list_count(list) == 10);
  CHECK(norvane_note_list_at(list, 0)->state == NORVANE_NOTE_ARCHIVED);
  norvane_note_list_free(list);

  /* A closed handle refuses every call; closing again does nothing. */
  norvane_db_close(db);
  norvane_db_close(db);
  list = NULL;
  CHECK(norvane_list_notes(db, NULL, 0, NULL, 0, &list, &err) == NORVANE_ERROR_INVALID_ARGUMENT);
  CHECK(list == NULL);
  expect_error(err, NORVANE_ERROR_INVALID_ARGUMENT, "Invalid argument: db is closed",
               "InvalidArgument(\"db is closed\")", __LINE__);
  norvane_db_free(db);
}

static void test_protection(void) {
  uint8_t* blob = NULL;
  uint8_t* bytes = NULL;
  char* text = NULL;
  size_t blob_len = 0;
  size_t len = 0;
  norvane_error* err = NULL;

  CHECK(norvane_protect_body("hello", 5, &blob, &blob_len, &err) == NORVANE_OK && blob_len > 5);
  CHECK(norvane_unprotect_body(blob, blob_len, &text, &len, &err) == NORVANE_OK);
  CHECK(same(text, len, "hello"));
  norvane_free(text);
  CHECK(norvane_unprotect_bytes(blob, blob_len, &bytes, &len, NULL) == NORVANE_OK);
  CHECK(len == 5 && memcmp(bytes, "hello", 5) == 0);
  norvane_free(bytes);
  norvane_free(blob);

  /* An empty body is an empty blob, and the NULL of no bytes is allowed. */
  CHECK(norvane_protect_body(NULL, 0, &blob, &blob_len, NULL) == NORVANE_OK && blob_len == 0);
  CHECK(norvane_unprotect_body(blob, 0, &text, &len, NULL) == NORVANE_OK && len == 0 && !*text);
  norvane_free(text);
  norvane_free(blob);

  /* Bytes that are not UTF-8 are no body. */
  CHECK(norvane_protect_body("\xff", 1, &blob, &blob_len, NULL) == NORVANE_OK);
  CHECK(norvane_unprotect_body(blob, blob_len, &text, &len, &err) == NORVANE_ERROR_UTF8_DECODE);
  expect_error(err, NORVANE_ERROR_UTF8_DECODE,
               "UTF-8 decoding error: invalid utf-8 sequence of 1 bytes from index 0", NULL,
               __LINE__);
  norvane_free(blob);

  /* A vault payload, bare and inside a protected blob. */
  CHECK(norvane_decrypt_vault_payload(kKey, 32, kPayload, 44, &bytes, &len, &err) == NORVANE_OK);
  CHECK(len == 16 && memcmp(bytes, kKey, 16) == 0);
  norvane_free(bytes);
  CHECK(norvane_protect_body((const char*)kPayload, 44, &blob, &blob_len, NULL) == NORVANE_OK);
  CHECK(norvane_unprotect_locked_body(kKey, 32, blob, blob_len, &text, &len, &err) == NORVANE_OK);
  CHECK(len == 16 && text[0] == '\0');
  norvane_free(text);
  norvane_free(blob);
}

/* Failing calls: the texts of the C++ errors, and their causes. */
static void test_failures(void) {
  uint8_t payload[44];
  uint8_t* bytes = NULL;
  size_t len = 0;
  norvane_db* db = NULL;
  norvane_error* err = NULL;
  const norvane_error* cause = NULL;

  CHECK(norvane_decrypt_vault_payload(kKey, 32, kPayload, 5, &bytes, &len, &err) ==
        NORVANE_ERROR_INVALID_FORMAT);
  CHECK(bytes == NULL && norvane_error_cause(err) == NULL);
  expect_error(err, NORVANE_ERROR_INVALID_FORMAT,
               "Invalid payload format: Ciphertext payload is too short for AES-256-GCM",
               "InvalidFormat(\"Ciphertext payload is too short for AES-256-GCM\")", __LINE__);

  memcpy(payload, kPayload, sizeof payload);
  payload[43] ^= 1;
  CHECK(norvane_decrypt_vault_payload(kKey, 32, payload, 44, &bytes, &len, &err) ==
        NORVANE_ERROR_AEAD);
  expect_error(err, NORVANE_ERROR_AEAD, "AES-256-GCM cipher error: aead::Error",
               "Aead(\"aead::Error\")", __LINE__);

  /* A database that cannot be opened: the engine's error is the cause. The
   * extended code says why: 14 on Linux, 526 (a folder) on Windows. */
  CHECK(norvane_db_open(".", 1, &db, &err) == NORVANE_ERROR_DATABASE && db == NULL);
  cause = norvane_error_cause(err);
  CHECK(norvane_error_code(cause) == NORVANE_ERROR_SQLITE_FAILURE);
  CHECK((norvane_error_sqlite_code(cause) & 0xff) == 14 && norvane_error_sqlite_code(err) == 0);
  CHECK(strcmp(norvane_error_message(cause, NULL), "unable to open database file: .") == 0);
  CHECK(norvane_error_cause(cause) == NULL);
  CHECK(strncmp(norvane_error_debug(err, NULL),
                "Database(SqliteFailure(Error { code: CannotOpen, extended_code: ", 63) == 0);
  expect_error(err, NORVANE_ERROR_DATABASE, "Database error: unable to open database file: .", NULL,
               __LINE__);
}

/* Every bad argument is an error that names it, never a crash; out-values
 * stay as they were. */
static void test_bad_arguments(void) {
  char* text = NULL;
  uint8_t* bytes = NULL;
  norvane_db* db = NULL;
  norvane_note_list* list = NULL;
  norvane_error* err = NULL;
  size_t len = 7;
  struct {
    int32_t status;
    norvane_error* err;
    const char* what;
  } cases[13];
  size_t n = 0;
  size_t i;

#define BAD(call, expected)                      \
  cases[n].status = (call);                      \
  cases[n].err = err;                            \
  cases[n].what = "Invalid argument: " expected; \
  err = NULL;                                    \
  ++n

  BAD(norvane_database_path(NULL, &len, &err), "out_path is NULL");
  BAD(norvane_path_to_display(NULL, 3, &text, &len, &err), "path is NULL but its length is not 0");
  BAD(norvane_db_open("x", 1, NULL, &err), "out_db is NULL");
  BAD(norvane_db_open(NULL, 1, &db, &err), "path is NULL but its length is not 0");
  BAD(norvane_list_notes(NULL, NULL, 0, NULL, 0, &list, &err), "db is NULL");
  BAD(norvane_protect_body(NULL, 1, &bytes, &len, &err), "body is NULL but its length is not 0");
  BAD(norvane_protect_body("x", 1, NULL, &len, &err), "out_blob is NULL");
  BAD(norvane_unprotect_bytes(NULL, 2, &bytes, &len, &err), "blob is NULL but its length is not 0");
  BAD(norvane_unprotect_body((const uint8_t*)"x", 1, NULL, &len, &err), "out_text is NULL");
  BAD(norvane_decrypt_vault_payload(kKey, 16, kPayload, 44, &bytes, &len, &err),
      "vault_key_len is 16, not 32");
  BAD(norvane_decrypt_vault_payload(NULL, 32, kPayload, 44, &bytes, &len, &err),
      "vault_key is NULL");
  BAD(norvane_unprotect_locked_body(kKey, 33, kPayload, 44, &text, &len, &err),
      "vault_key_len is 33, not 32");
  BAD(norvane_unprotect_locked_body(kKey, 32, kPayload, 44, NULL, &len, &err), "out_text is NULL");
#undef BAD

  for (i = 0; i < n; ++i) {
    CHECK(cases[i].status == NORVANE_ERROR_INVALID_ARGUMENT);
    expect_error(cases[i].err, NORVANE_ERROR_INVALID_ARGUMENT, cases[i].what, NULL, (int)i);
  }
  CHECK(text == NULL && bytes == NULL && db == NULL && list == NULL && len == 7);

  /* Without an error object the code still says what went wrong. */
  CHECK(norvane_list_notes(NULL, NULL, 0, NULL, 0, &list, NULL) == NORVANE_ERROR_INVALID_ARGUMENT);

  /* The readers and the free functions take NULL. */
  CHECK(norvane_error_code(NULL) == 0 && norvane_error_sqlite_code(NULL) == 0);
  CHECK(strcmp(norvane_error_message(NULL, &len), "") == 0 && len == 0);
  CHECK(strcmp(norvane_error_debug(NULL, NULL), "") == 0 && norvane_error_cause(NULL) == NULL);
  CHECK(norvane_note_list_count(NULL) == 0 && norvane_note_list_at(NULL, 0) == NULL);
  norvane_error_free(NULL);
  norvane_free(NULL);
  norvane_note_list_free(NULL);
  norvane_db_close(NULL);
  norvane_db_free(NULL);
}

#if defined(__linux__)
/* Whether the `len` bytes at `p`, from the 16th on (the allocator may write
 * its own before), still hold `text`: read through /proc/self/mem, so that
 * reading memory that has been freed is no access a sanitizer sees. */
static int still_there(const void* p, const char* text, size_t len) {
  char seen[4096];
  int fd = open("/proc/self/mem", O_RDONLY);
  ssize_t got = -1;
  CHECK(fd >= 0 && len > 16 && len <= sizeof seen);
  if (fd >= 0) got = pread(fd, seen, len, (off_t)(uintptr_t)p);
  if (fd >= 0) close(fd);
  CHECK(got == (ssize_t)len);
  return got == (ssize_t)len && memcmp(seen + 16, text + 16, len - 16) == 0;
}

/* Plaintext handed out is wiped when the caller frees it: a body's buffer,
 * and the bodies of a note list. */
static void test_freed_plaintext_is_wiped(void) {
  static const char secret[] = "a body that nobody may read once it has been freed";
  const size_t len = sizeof secret - 1;
  uint8_t* blob = NULL;
  size_t blob_len = 0;
  char* text = NULL;
  char* path = NULL;
  char body[4096];
  const norvane_note* note;
  norvane_db* db = NULL;
  norvane_note_list* list = NULL;

  CHECK(norvane_protect_body(secret, len, &blob, &blob_len, NULL) == NORVANE_OK);
  CHECK(norvane_unprotect_body(blob, blob_len, &text, NULL, NULL) == NORVANE_OK);
  CHECK(still_there(text, secret, len));
  norvane_free(text);
  CHECK(!still_there(text, secret, len));
  norvane_free(blob);

  CHECK(norvane_database_path(&path, NULL, NULL) == NORVANE_OK);
  CHECK(norvane_db_open(path, strlen(path), &db, NULL) == NORVANE_OK);
  CHECK(norvane_list_notes(db, NULL, 0, NULL, 0, &list, NULL) == NORVANE_OK);
  note = norvane_note_list_at(list, 0);
  CHECK(note != NULL && note->body_len > 16 && note->body_len <= sizeof body);
  if (note != NULL && note->body_len > 16 && note->body_len <= sizeof body) {
    const char* at = note->body;
    size_t body_len = note->body_len;
    memcpy(body, at, body_len);
    norvane_note_list_free(list);
    list = NULL;
    CHECK(!still_there(at, body, body_len));
  }
  norvane_note_list_free(list);
  norvane_db_free(db);
  norvane_free(path);
}
#endif

#ifdef _WIN32
/* The DLL loads bcrypt.dll and crypt32.dll late, and from the system folder
 * only, whatever the program's search order: the test puts copies under
 * those names beside the program, which the default order would take. */
static void test_late_loaded_dlls(void) {
  static const wchar_t* const names[] = {L"bcrypt.dll", L"crypt32.dll"};
  wchar_t system[MAX_PATH];
  wchar_t file[MAX_PATH];
  UINT system_len = GetSystemDirectoryW(system, MAX_PATH);
  size_t i;
  CHECK(system_len > 0 && system_len < MAX_PATH);
  for (i = 0; i < 2; ++i) {
    HMODULE module = GetModuleHandleW(names[i]);
    DWORD len = module != NULL ? GetModuleFileNameW(module, file, MAX_PATH) : 0;
    CHECK(len > system_len && _wcsnicmp(file, system, system_len) == 0 &&
          file[system_len] == L'\\');
  }
}
#endif

int main(void) {
  CHECK(strcmp(norvane_version(), NORVANE_TEST_VERSION) == 0);
  test_notes();
  test_protection();
  test_failures();
  test_bad_arguments();
#if defined(__linux__)
  test_freed_plaintext_is_wiped();
#endif
#ifdef _WIN32
  test_late_loaded_dlls();
#endif
  if (failures != 0) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("All checks of the C interface passed.\n");
  return 0;
}

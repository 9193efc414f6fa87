/* The C interface of the Norvane library: the note store, body protection
 * and the error model for programs in any language and from any toolchain.
 * It is the library's stable ABI, shipped as a shared library
 * (libnorvane_c.so.0 on Linux, norvane_c.dll on Windows).
 *
 * Conventions:
 * - Plain C99. Integers have fixed widths; every byte string comes with its
 *   length in bytes, and need not end in NUL; text is UTF-8. Paths are UTF-8
 *   on Windows too (a file name's unpaired UTF-16 surrogates as WTF-8), and
 *   the system's bytes on Linux.
 * - Every call that can fail returns NORVANE_OK (0) or the code of its error
 *   (NORVANE_ERROR_*), and, when `err` is not NULL, stores an error object in
 *   *err that the caller frees with norvane_error_free(). On success *err is
 *   set to NULL. Out-parameters are written only on success.
 * - A length out-parameter (`out_len`, `len`) may be NULL when the caller
 *   needs no length.
 * - What the library allocates, the library frees: buffers with
 *   norvane_free(), and each handle with its own function. Buffers end with
 *   a NUL byte that their length does not count, so that text can be used as
 *   a C string (bytes may hold NULs of their own). Every buffer is wiped
 *   before its memory is released, so plaintext bodies do not stay behind.
 * - Nothing is thrown or aborted across this interface. Running out of
 *   memory is the error NORVANE_ERROR_OUT_OF_MEMORY.
 * - A NULL pointer where one is not allowed, a vault key that is not 32
 *   bytes long, and a database handle that has been closed each give the
 *   error NORVANE_ERROR_INVALID_ARGUMENT, whose message names the argument.
 *   A pointer to bytes may be NULL when its length is 0.
 *
 * Threads: a norvane_db is used by one thread at a time (the caller
 * serialises any sharing). Separate handles may be used from separate
 * threads at once. Body protection may be called from any thread. A note
 * list owns its notes and does not need its handle: like an error object
 * and a buffer, it may be read from any thread at once, and is freed once,
 * when no thread reads it any more. */
#ifndef NORVANE_NORVANE_H
#define NORVANE_NORVANE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The DLL's own sources define NORVANE_C_BUILD; its exports are those of
 * norvane_c.def. */
#if defined(_WIN32) && defined(NORVANE_C_BUILD)
#define NORVANE_C_API
#elif defined(_WIN32)
#define NORVANE_C_API __declspec(dllimport)
#elif defined(__GNUC__)
#define NORVANE_C_API __attribute__((visibility("default")))
#else
#define NORVANE_C_API
#endif

/* Status and error codes. Stable: a code keeps its number in every release. */
#define NORVANE_OK 0

/* The application error (the note store's errors come as these). */
#define NORVANE_ERROR_DATABASE 1
#define NORVANE_ERROR_CRYPTO 2
#define NORVANE_ERROR_SERIALIZATION 3
#define NORVANE_ERROR_NOTE_NOT_FOUND 4
#define NORVANE_ERROR_NOTE_DECRYPTION 5
#define NORVANE_ERROR_VALIDATION 6
#define NORVANE_ERROR_LOCK_POISONED 7
#define NORVANE_ERROR_WINDOW 8
#define NORVANE_ERROR_IO 9
#define NORVANE_ERROR_UPDATE 10
#define NORVANE_ERROR_VAULT_LOCKED 11
#define NORVANE_ERROR_VAULT_NOT_CONFIGURED 12
#define NORVANE_ERROR_VAULT_ALREADY_CONFIGURED 13
#define NORVANE_ERROR_INCORRECT_PIN 14
#define NORVANE_ERROR_INCORRECT_RECOVERY_KEY 15
#define NORVANE_ERROR_TOO_MANY_ATTEMPTS 16
#define NORVANE_ERROR_BACKGROUND 17

/* The body-protection error (body protection's own calls give these). */
#define NORVANE_ERROR_PROTECT_FAILED 101
#define NORVANE_ERROR_UNPROTECT_FAILED 102
#define NORVANE_ERROR_UTF8_DECODE 103
#define NORVANE_ERROR_AEAD 104
#define NORVANE_ERROR_KEY_DERIVATION 105
#define NORVANE_ERROR_INVALID_FORMAT 106

/* The database-engine error, as the cause of NORVANE_ERROR_DATABASE: a
 * failure reported by SQLite, or a condition of the access layer. */
#define NORVANE_ERROR_SQLITE_FAILURE 201
#define NORVANE_ERROR_INVALID_COLUMN_TYPE 202
#define NORVANE_ERROR_CONVERSION_FAILURE 203
#define NORVANE_ERROR_INTEGRAL_VALUE_OUT_OF_RANGE 204
#define NORVANE_ERROR_QUERY_RETURNED_NO_ROWS 205
#define NORVANE_ERROR_EXECUTE_RETURNED_RESULTS 206
#define NORVANE_ERROR_INVALID_PARAMETER_COUNT 207
#define NORVANE_ERROR_INVALID_COLUMN_INDEX 208
#define NORVANE_ERROR_MULTIPLE_STATEMENTS 209
#define NORVANE_ERROR_INVALID_PATH 210
#define NORVANE_ERROR_NUL_ERROR 211
#define NORVANE_ERROR_TOO_LARGE 212

/* The lower errors of NORVANE_ERROR_IO and NORVANE_ERROR_SERIALIZATION. */
#define NORVANE_ERROR_OS 301
#define NORVANE_ERROR_JSON 302

/* Failures of the call itself. */
#define NORVANE_ERROR_INVALID_ARGUMENT 901
#define NORVANE_ERROR_OUT_OF_MEMORY 902
#define NORVANE_ERROR_INTERNAL 903

/* The library's version, "MAJOR.MINOR.PATCH"; a static string. */
NORVANE_C_API const char* norvane_version(void);

/* ---- Errors ---- */

typedef struct norvane_error norvane_error;

/* The error's code (NORVANE_ERROR_*). 0 for NULL. */
NORVANE_C_API int32_t norvane_error_code(const norvane_error* err);
/* The one-line message for the user, and the one-line debug form; the same
 * texts as the C++ interface's. Owned by the error; *len (when `len` is not
 * NULL) gets the length. "" for NULL. */
NORVANE_C_API const char* norvane_error_message(const norvane_error* err, size_t* len);
NORVANE_C_API const char* norvane_error_debug(const norvane_error* err, size_t* len);
/* The lower error that caused it (for NORVANE_ERROR_DATABASE, _CRYPTO, _IO
 * and _SERIALIZATION), owned by `err`; NULL when there is none. */
NORVANE_C_API const norvane_error* norvane_error_cause(const norvane_error* err);
/* For NORVANE_ERROR_SQLITE_FAILURE: SQLite's extended result code; 0
 * otherwise. */
NORVANE_C_API int32_t norvane_error_sqlite_code(const norvane_error* err);
/* Frees an error and its cause. NULL is allowed. */
NORVANE_C_API void norvane_error_free(norvane_error* err);

/* ---- Buffers ---- */

/* Wipes and frees a buffer that the library handed out. NULL is allowed. */
NORVANE_C_API void norvane_free(void* buffer);

/* ---- Where the database lives ---- */

/* The full path of the note database (NORVANE_DATA_DIR when set, else the
 * user's local application-data folder, else the current folder, joined
 * with Norvane/norvane.db); creates its folder. The path is the system's
 * own bytes and need not be valid UTF-8. */
NORVANE_C_API int32_t norvane_database_path(char** out_path, size_t* out_len, norvane_error** err);
/* A path as text to show: UTF-8, with U+FFFD where the path is not valid
 * text. */
NORVANE_C_API int32_t norvane_path_to_display(const char* path, size_t path_len, char** out_text,
                                              size_t* out_len, norvane_error** err);

/* ---- The note database ---- */

typedef struct norvane_db norvane_db;

/* Opens (creating if needed) the database at `path`, as
 * norvane_database_path() gives it, and brings its schema up to date. A
 * statement that finds the database locked waits up to 5000 ms. On failure
 * nothing stays open and *out_db is not written. */
NORVANE_C_API int32_t norvane_db_open(const char* path, size_t path_len, norvane_db** out_db,
                                      norvane_error** err);
/* Closes the connection; the handle stays valid, and every later call with
 * it fails with NORVANE_ERROR_INVALID_ARGUMENT. Closing again does nothing.
 * NULL is allowed. */
NORVANE_C_API void norvane_db_close(norvane_db* db);
/* Closes the connection if it is open and frees the handle, which must not
 * be used again. NULL is allowed. */
NORVANE_C_API void norvane_db_free(norvane_db* db);

/* ---- The note list ---- */

#define NORVANE_NOTE_ACTIVE 0
#define NORVANE_NOTE_ARCHIVED 1

/* One note. Its texts are owned by the list and stay valid until the list is
 * freed; each ends in NUL, which its length does not count. */
typedef struct norvane_note {
  const char* id;
  size_t id_len;
  const char* title;
  size_t title_len;
  const char* body; /* the text; empty for a locked note listed without a key */
  size_t body_len;
  const char* color;
  size_t color_len;
  int32_t state;     /* NORVANE_NOTE_ACTIVE or NORVANE_NOTE_ARCHIVED */
  int32_t is_locked; /* 1 or 0 */
  int64_t sort_order;
  const char* created_at;
  size_t created_at_len;
  const char* updated_at;
  size_t updated_at_len;
  const char* archived_at; /* NULL when the note has none */
  size_t archived_at_len;
} norvane_note;

typedef struct norvane_note_list norvane_note_list;

/* Every note that `filter` selects ("active", "archived", or anything else,
 * or NULL, for all notes, active first), in the list's order, each body
 * turned back into text. With a vault key (`vault_key_len` 32) locked bodies
 * are decrypted too; without one (`vault_key` NULL, `vault_key_len` 0) they
 * come back empty. The first bad row or body fails the whole call. */
NORVANE_C_API int32_t norvane_list_notes(norvane_db* db, const char* filter, size_t filter_len,
                                         const uint8_t* vault_key, size_t vault_key_len,
                                         norvane_note_list** out_list, norvane_error** err);
/* How many notes the list holds; 0 for NULL. */
NORVANE_C_API size_t norvane_note_list_count(const norvane_note_list* list);
/* The note at `index`, owned by the list; NULL when `index` is out of
 * range or `list` is NULL. */
NORVANE_C_API const norvane_note* norvane_note_list_at(const norvane_note_list* list, size_t index);
/* Wipes the bodies and frees the list. NULL is allowed. */
NORVANE_C_API void norvane_note_list_free(norvane_note_list* list);

/* ---- Body protection ---- */

/* Protects a body for the current user: the stored form of a note body. An
 * empty body gives an empty blob. */
NORVANE_C_API int32_t norvane_protect_body(const char* body, size_t body_len, uint8_t** out_blob,
                                           size_t* out_len, norvane_error** err);
/* The bytes inside a protected blob. */
NORVANE_C_API int32_t norvane_unprotect_bytes(const uint8_t* blob, size_t blob_len,
                                              uint8_t** out_bytes, size_t* out_len,
                                              norvane_error** err);
/* The body text inside a protected blob: its bytes, which must be UTF-8. */
NORVANE_C_API int32_t norvane_unprotect_body(const uint8_t* blob, size_t blob_len, char** out_text,
                                             size_t* out_len, norvane_error** err);
/* Verifies and decrypts an AES-256-GCM vault payload (12-byte nonce,
 * ciphertext, 16-byte tag) under a 32-byte vault key. */
NORVANE_C_API int32_t norvane_decrypt_vault_payload(const uint8_t* vault_key, size_t vault_key_len,
                                                    const uint8_t* payload, size_t payload_len,
                                                    uint8_t** out_bytes, size_t* out_len,
                                                    norvane_error** err);
/* The body text of a locked note: the protected blob's bytes, decrypted as a
 * vault payload, which must be UTF-8. */
NORVANE_C_API int32_t norvane_unprotect_locked_body(const uint8_t* vault_key, size_t vault_key_len,
                                                    const uint8_t* body_enc, size_t body_enc_len,
                                                    char** out_text, size_t* out_len,
                                                    norvane_error** err);

#ifdef __cplusplus
}
#endif

#endif /* NORVANE_NORVANE_H */

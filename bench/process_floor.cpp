// The whole-process floor of seed_notes: open the same database with SQLite,
// count its rows, and perform one AES-256-GCM decryption with OpenSSL. Run it
// beside `seed_notes --stats-only` under hyperfine (bench/run_suite.sh).
//
//   norvane_process_floor <database>
#include <openssl/evp.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM notes", -1, &stmt, nullptr);
  long long rows = -1;
  if (sqlite3_step(stmt) == SQLITE_ROW) rows = sqlite3_column_int64(stmt, 0);
  sqlite3_finalize(stmt);
  sqlite3_close(db);

  // One 300-byte decryption under a fixed key; encrypted first so that the
  // tag checks out.
  std::array<unsigned char, 32> key{};
  std::array<unsigned char, 12> nonce{};
  std::array<unsigned char, 300> text{};
  std::array<unsigned char, 16> tag{};
  int len = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), nonce.data());
  EVP_EncryptUpdate(ctx, text.data(), &len, text.data(), static_cast<int>(text.size()));
  EVP_EncryptFinal_ex(ctx, nullptr, &len);
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag.data());
  EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, nonce.data());
  EVP_DecryptUpdate(ctx, text.data(), &len, text.data(), static_cast<int>(text.size()));
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag.data());
  const bool ok = EVP_DecryptFinal_ex(ctx, nullptr, &len) == 1;
  EVP_CIPHER_CTX_free(ctx);

  std::printf("%lld notes, decryption %s\n", rows, ok ? "ok" : "failed");
  return ok && rows >= 0 ? 0 : 1;
}

// The seeding phase into a fresh database, and beside it the floor: the same
// 50-row transaction with all random bytes drawn at once and one cipher
// context keyed once.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_support.h"
#include "demo_catalogue.h"
#include "norvane/db/open.h"
#include "norvane/env.h"
#include "note_id.h"
#include "seeding.h"
#include "timestamp.h"

namespace norvane::bench {

namespace {

constexpr std::string_view kInsert =
    "INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at, updated_at, "
    "archived_at)\n"
    "             VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

// The progress lines are formatted as in a run, then dropped.
std::expected<void, IoError> discard(std::string_view) {
  return {};
}

// A fresh, opened and migrated database per iteration, made and removed
// outside the timed part.
class FreshDatabases {
 public:
  FreshDatabases() : dir_(fresh_dir("seed")) {}
  ~FreshDatabases() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  FreshDatabases(const FreshDatabases&) = delete;
  FreshDatabases& operator=(const FreshDatabases&) = delete;

  [[nodiscard]] std::expected<Connection, AppError> next() {
    const std::string path = dir_ + "/norvane-" + std::to_string(n_++) + ".db";
    return open_database(path);
  }
  void drop(Connection& conn) {
    const std::string path = dir_ + "/norvane-" + std::to_string(n_ - 1) + ".db";
    conn.close();
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix, ec);
  }

 private:
  std::string dir_;
  std::size_t n_ = 0;
};

void BM_SeedDemoNotes(benchmark::State& state) {
  (void)bench_home();
  const seeder::Report report(discard);
  FreshDatabases databases;
  for (auto _ : state) {
    state.PauseTiming();
    auto conn = databases.next();
    if (!conn) {
      state.SkipWithError("open_database failed");
      return;
    }
    state.ResumeTiming();
    auto seeded = seeder::seed_demo_notes(*conn, report);
    state.PauseTiming();
    if (!seeded) {
      state.SkipWithError("seed_demo_notes failed");
      return;
    }
    databases.drop(*conn);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 50);
}

struct CtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};

// The same rows as the seeding phase, written the shortest way: one draw of
// random bytes, one cipher context keyed once, no checks.
[[gnu::noinline]] void seed_floor(sqlite3* db, EVP_CIPHER_CTX* ctx, const UserKey& key) {
  const auto catalogue = seeder::demo_catalogue();
  constexpr std::size_t kRows = 50;
  std::array<std::uint8_t, kRows*(16 + blob_layout::kNonceBytes)> random{};
  RAND_bytes(random.data(), static_cast<int>(random.size()));
  const env::UtcTime instant = env::utc_now();

  sqlite3_exec(db, "BEGIN DEFERRED", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, kInsert.data(), static_cast<int>(kInsert.size()), &insert, nullptr);
  EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.key.data(), nullptr);
  std::int64_t next[2] = {0, 0};
  std::string blob;
  for (std::size_t i = 0; i < kRows; ++i) {
    const seeder::DemoNote& note = catalogue[i];
    const std::uint8_t* id_bytes = random.data() + i * (16 + blob_layout::kNonceBytes);
    const std::uint8_t* nonce = id_bytes + 16;
    std::array<std::uint8_t, 16> id_array{};
    std::copy(id_bytes, id_bytes + 16, id_array.begin());
    const std::string id = seeder::format_uuid_v4(id_array);

    blob.resize(blob_layout::kOverhead + note.body.size());
    auto* out = reinterpret_cast<unsigned char*>(blob.data());
    std::memcpy(out, blob_layout::kMagic.data(), blob_layout::kMagic.size());
    out[blob_layout::kVersionAt] = platform::protection::kFormatVersion;
    std::memcpy(out + blob_layout::kKeyIdAt, key.id.data(), key.id.size());
    std::memcpy(out + blob_layout::kNonceAt, nonce, blob_layout::kNonceBytes);
    int len = 0;
    EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, nonce);
    EVP_EncryptUpdate(ctx, nullptr, &len, out, static_cast<int>(blob_layout::kHeaderBytes));
    EVP_EncryptUpdate(ctx, out + blob_layout::kCiphertextAt, &len,
                      reinterpret_cast<const unsigned char*>(note.body.data()),
                      static_cast<int>(note.body.size()));
    EVP_EncryptFinal_ex(ctx, nullptr, &len);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, static_cast<int>(blob_layout::kTagBytes),
                        out + blob.size() - blob_layout::kTagBytes);

    const bool archived = note.state == NoteState::Archived;
    const auto at = [&](std::int64_t seconds) {
      return seeder::format_rfc3339(seeder::seconds_before(instant, seconds));
    };
    const std::string created_at = at(note.days_ago * 86'400);
    const std::string updated_at = at(note.days_ago * 4 * 3'600);
    const std::string archived_at = archived ? at(note.days_ago / 2 * 86'400) : std::string();
    const std::string_view state_text = to_text(note.state);

    sqlite3_bind_text(insert, 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, note.title.data(), static_cast<int>(note.title.size()),
                      SQLITE_STATIC);
    sqlite3_bind_blob(insert, 3, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert, 4, note.color.data(), static_cast<int>(note.color.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(insert, 5, state_text.data(), static_cast<int>(state_text.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int64(insert, 6, next[archived ? 1 : 0]++);
    sqlite3_bind_text(insert, 7, created_at.data(), static_cast<int>(created_at.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(insert, 8, updated_at.data(), static_cast<int>(updated_at.size()),
                      SQLITE_STATIC);
    if (archived) {
      sqlite3_bind_text(insert, 9, archived_at.data(), static_cast<int>(archived_at.size()),
                        SQLITE_STATIC);
    } else {
      sqlite3_bind_null(insert, 9);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

void BM_SeedFloor(benchmark::State& state) {
  const UserKey key = read_user_key();
  const std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
  FreshDatabases databases;
  for (auto _ : state) {
    state.PauseTiming();
    auto conn = databases.next();
    if (!conn) {
      state.SkipWithError("open_database failed");
      return;
    }
    state.ResumeTiming();
    seed_floor(conn->handle(), ctx.get(), key);
    state.PauseTiming();
    databases.drop(*conn);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 50);
}

}  // namespace

BENCHMARK(BM_SeedDemoNotes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeedFloor)->Unit(benchmark::kMicrosecond);

}  // namespace norvane::bench

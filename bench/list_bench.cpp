// The note list query on databases of 50 to 1,000,000 demo-like notes, and
// beside it the floor: the least work that the same statement text allows.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/norvane.h"

namespace norvane::bench {

namespace {

void BM_ListNotes(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  auto conn = open_database(note_database(count));
  if (!conn) {
    state.SkipWithError("open_database failed");
    return;
  }
  for (auto _ : state) {
    auto notes = list_notes(*conn, std::nullopt);
    if (!notes || notes->size() != count) {
      state.SkipWithError("list_notes failed");
      return;
    }
    benchmark::DoNotOptimize(notes->data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same list through the C interface's shared library: the C++ list,
// then a view of each note for C.
void BM_ListNotesC(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string& path = note_database(count);
  norvane_db* db = nullptr;
  if (norvane_db_open(path.data(), path.size(), &db, nullptr) != NORVANE_OK) {
    state.SkipWithError("norvane_db_open failed");
    return;
  }
  for (auto _ : state) {
    norvane_note_list* notes = nullptr;
    if (norvane_list_notes(db, nullptr, 0, nullptr, 0, &notes, nullptr) != NORVANE_OK ||
        norvane_note_list_count(notes) != count) {
      norvane_note_list_free(notes);
      state.SkipWithError("norvane_list_notes failed");
      break;
    }
    benchmark::DoNotOptimize(norvane_note_list_at(notes, 0));
    norvane_note_list_free(notes);
  }
  norvane_db_free(db);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Ten columns, copied as they come; the body is the decrypted text.
struct FloorNote {
  std::string id;
  std::string title;
  std::string body;
  std::string color;
  std::string state;
  std::int64_t sort_order = 0;
  std::string created_at;
  std::string updated_at;
  std::string archived_at;
  std::int64_t is_locked = 0;
};

struct CtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};

std::string column_string(sqlite3_stmt* stmt, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
  return text != nullptr
             ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, index)))
             : std::string();
}

// Prepares the statement, steps every row, copies the columns and decrypts
// each body with one cipher context keyed once for the whole call. It checks
// nothing and builds no error values.
[[gnu::noinline]] std::vector<FloorNote> list_floor(sqlite3* db, EVP_CIPHER_CTX* ctx,
                                                    const UserKey& key) {
  const std::string_view sql = list_all_statement();
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
  EVP_DecryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.key.data(), nullptr);
  std::vector<FloorNote> notes;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    FloorNote& note = notes.emplace_back();
    note.id = column_string(stmt, 0);
    note.title = column_string(stmt, 1);
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, 2));
    const auto blob_len = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 2));
    if (blob_len >= blob_layout::kOverhead) {
      const std::size_t text_len = blob_len - blob_layout::kOverhead;
      int out_len = 0;
      EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, blob + blob_layout::kNonceAt);
      EVP_DecryptUpdate(ctx, nullptr, &out_len, blob, static_cast<int>(blob_layout::kHeaderBytes));
      note.body.resize(text_len);
      EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(note.body.data()), &out_len,
                        blob + blob_layout::kCiphertextAt, static_cast<int>(text_len));
      EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(blob_layout::kTagBytes),
                          const_cast<unsigned char*>(blob + blob_len - blob_layout::kTagBytes));
      EVP_DecryptFinal_ex(ctx, nullptr, &out_len);
    }
    note.color = column_string(stmt, 3);
    note.state = column_string(stmt, 4);
    note.sort_order = sqlite3_column_int64(stmt, 5);
    note.created_at = column_string(stmt, 6);
    note.updated_at = column_string(stmt, 7);
    note.archived_at = column_string(stmt, 8);
    note.is_locked = sqlite3_column_int64(stmt, 9);
  }
  sqlite3_finalize(stmt);
  return notes;
}

void BM_ListNotesFloor(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string& path = note_database(count);
  auto conn = open_database(path);
  if (!conn) {
    state.SkipWithError("open_database failed");
    return;
  }
  const UserKey key = read_user_key();
  const std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
  for (auto _ : state) {
    auto notes = list_floor(conn->handle(), ctx.get(), key);
    if (notes.size() != count) {
      state.SkipWithError("floor listed the wrong number of notes");
      return;
    }
    benchmark::DoNotOptimize(notes.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void list_sizes(benchmark::internal::Benchmark* b) {
  b->Arg(50)->Arg(10'000);
  if (full_suite()) b->Arg(100'000)->Arg(1'000'000);
  b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_ListNotes)->Apply(list_sizes);
BENCHMARK(BM_ListNotesC)->Apply(list_sizes);
BENCHMARK(BM_ListNotesFloor)->Apply(list_sizes);

}  // namespace norvane::bench

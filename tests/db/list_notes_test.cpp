#include "norvane/db/list_notes.h"

#include <gtest/gtest.h>

#include <array>

#include "db/list_statement.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"
#include "support/system_messages.h"
#include "support/temp_dir.h"
#include "support/vault_seal.h"
#ifdef _WIN32
#include "windows/wine.h"
#endif

namespace norvane {
namespace {

using testing::Key;

// A locked note's payload under `key`, as its writer makes it.
std::string vault_payload(const Key& key, const std::string& plain) {
  return testing::seal_vault_payload(key, std::string(12, '\x07'), plain);
}

class ListNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    auto conn = open_database(tmp_ / "norvane.db");
    ASSERT_TRUE(conn.has_value());
    conn_ = std::move(*conn);
  }

  // Inserts a row; `body` is bound as a BLOB unless it is nullopt (NULL).
  void insert(std::string_view id, std::string_view state, std::int64_t sort_order,
              std::string_view updated_at, std::optional<std::string> body_enc,
              std::optional<std::string_view> archived_at = std::nullopt, int is_locked = 0) {
    auto stmt = conn_.prepare(
        "INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at,"
        " updated_at, archived_at, is_locked) VALUES (?1, 'title', ?2, 'blue', ?3, ?4, 'c', ?5,"
        " ?6, ?7)");
    ASSERT_TRUE(stmt.has_value());
    ASSERT_TRUE(stmt->bind_text(1, id));
    ASSERT_TRUE(body_enc ? stmt->bind_blob(2, *body_enc) : stmt->bind_null(2));
    ASSERT_TRUE(stmt->bind_text(3, state));
    ASSERT_TRUE(stmt->bind_int64(4, sort_order));
    ASSERT_TRUE(stmt->bind_text(5, updated_at));
    ASSERT_TRUE(archived_at ? stmt->bind_text(6, *archived_at) : stmt->bind_null(6));
    ASSERT_TRUE(stmt->bind_int64(7, is_locked));
    ASSERT_TRUE(stmt->run());
  }

  std::string protect(std::string_view body) { return protect_body(body).value(); }

  static std::vector<std::string> ids(const std::vector<Note>& notes) {
    std::vector<std::string> out;
    for (const auto& n : notes) out.push_back(n.id);
    return out;
  }

  testing::ScopedUserHome home_;
  testing::TempDir tmp_;
  Connection conn_;
};

TEST_F(ListNotes, AnEmptyTableGivesAnEmptyList) {
  auto notes = list_notes(conn_, std::nullopt);
  ASSERT_TRUE(notes.has_value());
  EXPECT_TRUE(notes->empty());
}

TEST_F(ListNotes, ReturnsEveryColumnAndTheDecryptedBody) {
  insert("n1", "active", 7, "u1", protect("  body\nwith ünïcode  "), "a1");
  auto notes = list_notes(conn_, std::nullopt);
  ASSERT_TRUE(notes.has_value()) << notes.error().debug();
  ASSERT_EQ(notes->size(), 1U);
  const Note& n = notes->front();
  EXPECT_EQ(n.id, "n1");
  EXPECT_EQ(n.title, "title");
  EXPECT_EQ(n.body, "  body\nwith ünïcode  ");
  EXPECT_EQ(n.color, "blue");
  EXPECT_EQ(n.state, NoteState::Active);
  EXPECT_EQ(n.sort_order, 7);
  EXPECT_EQ(n.created_at, "c");
  EXPECT_EQ(n.updated_at, "u1");
  EXPECT_EQ(n.archived_at, "a1");
  EXPECT_FALSE(n.is_locked);
}

TEST_F(ListNotes, TheFilterChoosesTheStatementByExactBytes) {
  insert("a2", "active", 1, "2025-01-01", std::nullopt);
  insert("a1", "active", 0, "2025-01-01", std::nullopt);
  insert("a0", "active", 1, "2025-02-01", std::nullopt);  // same sort_order, newer update first
  insert("r1", "archived", 0, "2025-01-01", std::nullopt, "2025-03-01");
  insert("r2", "archived", 0, "2025-01-01", std::nullopt);  // no archived_at: last
  insert("r0", "archived", 0, "2025-01-01", std::nullopt, "2025-04-01");
  insert("cap", "Archived", -1, "2025-01-01", std::nullopt, "2025-05-01");

  EXPECT_EQ(ids(list_notes(conn_, "active").value()), (std::vector<std::string>{"a1", "a0", "a2"}));
  EXPECT_EQ(ids(list_notes(conn_, "archived").value()),
            (std::vector<std::string>{"r0", "r1", "r2"}));
  const std::vector<std::string> all{"a1", "a0", "a2", "cap", "r1", "r2", "r0"};
  for (const auto filter :
       {std::optional<std::string_view>(), std::optional<std::string_view>("Active"),
        std::optional<std::string_view>(" archived"), std::optional<std::string_view>("all")}) {
    auto notes = list_notes(conn_, filter);
    ASSERT_TRUE(notes.has_value());
    std::vector<std::string> got = ids(*notes);
    EXPECT_EQ(got.size(), all.size());
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 3),
              (std::vector<std::string>{"a1", "a0", "a2"}));
    EXPECT_EQ(got[3], "cap");  // a capitalised state sorts among the non-active notes
  }
  auto all_notes = list_notes(conn_, std::nullopt).value();
  EXPECT_EQ(all_notes[3].state, NoteState::Archived);
  EXPECT_EQ(list_statement("active"),
            "SELECT id, title, body_enc, color, state, sort_order, created_at, updated_at, "
            "archived_at, is_locked\n             FROM notes WHERE state = 'active' ORDER BY "
            "sort_order ASC, updated_at DESC");
}

TEST_F(ListNotes, NullAndEmptyBodiesAndLockedNotesWithoutAKeyComeBackEmpty) {
  insert("null", "active", 0, "u", std::nullopt);
  insert("empty", "active", 1, "u", std::string());
  insert("locked", "active", 2, "u", protect("secret payload"), std::nullopt, 2);
  auto notes = list_notes(conn_, std::nullopt);
  ASSERT_TRUE(notes.has_value()) << notes.error().debug();
  ASSERT_EQ(notes->size(), 3U);
  for (const auto& n : *notes) EXPECT_EQ(n.body, "") << n.id;
  EXPECT_TRUE((*notes)[2].is_locked);
}

TEST_F(ListNotes, LockedNotesDecryptWithTheirVaultKey) {
  Key key{};
  key.fill(0x42);
  insert("locked", "active", 0, "u", protect(vault_payload(key, "the locked body")), std::nullopt,
         1);
  insert("null", "active", 1, "u", std::nullopt, std::nullopt, 1);
  auto notes = list_notes_with_key(conn_, std::nullopt, std::span<const std::uint8_t, 32>(key));
  ASSERT_TRUE(notes.has_value()) << notes.error().debug();
  EXPECT_EQ((*notes)[0].body, "the locked body");
  EXPECT_EQ((*notes)[1].body, "");

  Key other{};
  auto wrong = list_notes_with_key(conn_, std::nullopt, std::span<const std::uint8_t, 32>(other));
  ASSERT_FALSE(wrong.has_value());
  EXPECT_EQ(wrong.error().debug(),
            R"(NoteDecryption { id: "locked", reason: "AES-256-GCM cipher error: aead::Error" })");
}

TEST_F(ListNotes, AnEmptyLockedBlobWithAKeyIsTooShort) {
  insert("locked", "active", 0, "u", std::string(), std::nullopt, 1);
  Key key{};
  auto notes = list_notes_with_key(conn_, std::nullopt, std::span<const std::uint8_t, 32>(key));
  ASSERT_FALSE(notes.has_value());
  EXPECT_EQ(notes.error().message(),
            "Could not decrypt note locked. The encrypted data was left unchanged: Invalid "
            "payload format: Ciphertext payload is too short for AES-256-GCM");
}

TEST_F(ListNotes, ADamagedBodyOnTheLastRowFailsTheWholeList) {
  for (int i = 0; i < 20; ++i) insert("ok" + std::to_string(i), "active", i, "u", protect("fine"));
#ifdef _WIN32
  if (testing::running_under_wine()) {
    GTEST_SKIP() << "Wine's CryptUnprotectData does not check the blob's integrity: it accepts "
                    "a blob with a changed byte, Windows refuses it";
  }
#endif
  std::string damaged = protect("damaged");
  damaged[damaged.size() / 2] ^= 0x01;
  insert("bad", "active", 99, "u", damaged);
  auto notes = list_notes(conn_, std::nullopt);
  ASSERT_FALSE(notes.has_value());
  const auto* decryption = notes.error().get_if<app_error::NoteDecryption>();
  ASSERT_NE(decryption, nullptr);
  EXPECT_EQ(decryption->id, "bad");
  EXPECT_EQ(decryption->reason,
            std::string("DPAPI CryptUnprotectData failed: ") + testing::invalid_data_text());
}

TEST_F(ListNotes, RowsThatBreakAColumnRuleFailWithTheirExactMessages) {
  struct Case {
    const char* sql;
    const char* message;
  };
  const Case cases[] = {
      {"UPDATE notes SET state = 'PINNED'",
       "Database error: Conversion error from type Text at index: 4, Unknown note state: "
       "'pinned'"},
      {"UPDATE notes SET sort_order = 1.5",
       "Database error: Invalid column type Real at index: 5, name: sort_order"},
      {"UPDATE notes SET title = CAST(x'61e282' AS TEXT)",
       "Database error: Conversion error from type Text at index: 1, incomplete utf-8 byte "
       "sequence from index 1"},
      {"UPDATE notes SET body_enc = 'text body'",
       "Database error: Invalid column type Text at index: 2, name: body_enc"},
      {"UPDATE notes SET archived_at = x'01'",
       "Database error: Invalid column type Blob at index: 8, name: archived_at"},
      {"UPDATE notes SET is_locked = 'yes'",
       "Database error: Invalid column type Text at index: 9, name: is_locked"},
      {"UPDATE notes SET id = x'07'",
       "Database error: Invalid column type Blob at index: 0, name: id"},
      {"UPDATE notes SET color = x'00', state = 'PINNED'",
       "Database error: Invalid column type Blob at index: 3, name: color"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ASSERT_TRUE(conn_.execute("DELETE FROM notes"));
    insert("row", "active", 0, "u", protect("x"), "a");
    ASSERT_TRUE(conn_.execute(c.sql));
    auto notes = list_notes(conn_, std::nullopt);
    ASSERT_FALSE(notes.has_value());
    EXPECT_EQ(notes.error().message(), c.message);
    EXPECT_NE(notes.error().get_if<app_error::Database>(), nullptr);
  }
}

TEST(NoteState, ParsesAnyCapitalisationWithFullLowerCasing) {
  EXPECT_EQ(parse_note_state("active"), NoteState::Active);
  EXPECT_EQ(parse_note_state("ARCHIVED"), NoteState::Archived);
  EXPECT_EQ(parse_note_state("Archived"), NoteState::Archived);
  EXPECT_EQ(parse_note_state("PINNED").error(), "Unknown note state: 'pinned'");
  EXPECT_EQ(parse_note_state(" active").error(), "Unknown note state: ' active'");
  EXPECT_EQ(parse_note_state("ÄCTIVE").error(), "Unknown note state: 'äctive'");
  // Full lower-casing: capital I with dot above becomes i + combining dot.
  EXPECT_EQ(parse_note_state("İ").error(), "Unknown note state: 'i\u0307'");
  EXPECT_EQ(parse_note_state("").error(), "Unknown note state: ''");
  // Lower-casing that outgrows the text's own length, and bytes that are not
  // UTF-8 (shown as U+FFFD).
  std::string dotted, expected;
  for (int i = 0; i < 40; ++i) dotted += "İ", expected += "i\u0307";
  EXPECT_EQ(parse_note_state(dotted).error(), "Unknown note state: '" + expected + "'");
  EXPECT_EQ(parse_note_state("Ä\xff\xe2\x82").error(), "Unknown note state: 'ä\uFFFD\uFFFD'");
}

}  // namespace
}  // namespace norvane

#include <gtest/gtest.h>

#include <limits>

#include "norvane/error/app_error.h"
#include "support/unicode_library.h"

namespace norvane {
namespace {

using namespace app_error;

struct Rendering {
  AppError error;
  std::string message;
  std::string debug;
};

TEST(AppError, EveryVariantHasItsMessageAndDebugForm) {
  const Rendering cases[] = {
      {NoteNotFound{"abc"}, "Note not found with ID: abc", R"(NoteNotFound("abc"))"},
      {NoteDecryption{"a", "b"},
       "Could not decrypt note a. The encrypted data was left unchanged: b",
       R"(NoteDecryption { id: "a", reason: "b" })"},
      {Validation{""}, "Invalid input: ", R"(Validation(""))"},
      {Validation{"say \"x\"\nnow"}, "Invalid input: say \"x\"\nnow",
       R"(Validation("say \"x\"\nnow"))"},
      {LockPoisoned{}, "Database lock poisoned", "LockPoisoned"},
      {Window{"w"}, "Window management error: w", R"(Window("w"))"},
      {Update{"u"}, "Update error: u", R"(Update("u"))"},
      {VaultLocked{}, "Your locked notes are hidden. Enter your PIN first.", "VaultLocked"},
      {VaultNotConfigured{}, "You haven't set up a PIN yet.", "VaultNotConfigured"},
      {VaultAlreadyConfigured{}, "A PIN is already set up. Use Change PIN instead.",
       "VaultAlreadyConfigured"},
      {IncorrectPin{}, "Wrong PIN. Try again.", "IncorrectPin"},
      {IncorrectRecoveryKey{}, "That recovery key doesn't match. Check it and try again.",
       "IncorrectRecoveryKey"},
      {TooManyAttempts{0}, "Too many wrong tries. Please wait 0 seconds and try again.",
       "TooManyAttempts(0)"},
      {TooManyAttempts{std::numeric_limits<std::uint64_t>::max()},
       "Too many wrong tries. Please wait 18446744073709551615 seconds and try again.",
       "TooManyAttempts(18446744073709551615)"},
      {Background{"b"}, "Background task failed: b", R"(Background("b"))"},
      {CryptoError::protect_failed("x"), "Encryption error: DPAPI CryptProtectData failed: x",
       R"(Crypto(ProtectFailed("x")))"},
      {JsonError("expected value", 0, 0), "Serialization error: expected value",
       R"(Serialization(Error("expected value", line: 0, column: 0)))"},
      {JsonError("trailing comma", 3, 7), "Serialization error: trailing comma at line 3 column 7",
       R"(Serialization(Error("trailing comma", line: 3, column: 7)))"},
      {IoError::os(2, "NotFound", "No such file or directory"),
       "I/O error: No such file or directory (os error 2)",
       R"(Io(Os { code: 2, kind: NotFound, message: "No such file or directory" }))"},
      {IoError::custom("Other", "odd"), "I/O error: odd",
       R"(Io(Custom { kind: Other, error: "odd" }))"},
      {DbError::sqlite(5, "database is locked"), "Database error: database is locked",
       R"(Database(SqliteFailure(Error { code: DatabaseBusy, extended_code: 5 }, Some("database is locked"))))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.debug);
    EXPECT_EQ(c.error.message(), c.message);
    EXPECT_EQ(c.error.debug(), c.debug);
  }
}

TEST(AppError, WrappingVariantsExposeTheLowerErrorAsCause) {
  const AppError crypto = CryptoError::protect_failed("x");
  const Error* cause = crypto.cause();
  ASSERT_NE(cause, nullptr);
  EXPECT_EQ(cause->message(), "DPAPI CryptProtectData failed: x");
  EXPECT_EQ(cause->cause(), nullptr);
  ASSERT_NE(crypto.get_if<Crypto>(), nullptr);
  EXPECT_EQ(crypto.get_if<Crypto>()->error.kind(), CryptoError::Kind::ProtectFailed);

  const AppError db = DbError::sqlite(2067, "UNIQUE constraint failed: notes.id");
  ASSERT_NE(db.cause(), nullptr);
  EXPECT_EQ(db.cause()->debug(), db.get_if<Database>()->error.debug());
  EXPECT_NE(AppError(JsonError("j", 0, 0)).cause(), nullptr);
  EXPECT_NE(AppError(IoError::custom("Other", "i")).cause(), nullptr);

  EXPECT_EQ(AppError(NoteDecryption{"a", "b"}).cause(), nullptr);
  EXPECT_EQ(AppError(TooManyAttempts{1}).cause(), nullptr);
  EXPECT_EQ(AppError(LockPoisoned{}).cause(), nullptr);
}

TEST(CryptoError, MessagesAndDebugForms) {
  using K = CryptoError::Kind;
  const std::pair<CryptoError, std::pair<const char*, const char*>> cases[] = {
      {{K::ProtectFailed, "d"}, {"DPAPI CryptProtectData failed: d", R"(ProtectFailed("d"))"}},
      {{K::UnprotectFailed, "d"},
       {"DPAPI CryptUnprotectData failed: d", R"(UnprotectFailed("d"))"}},
      {{K::Utf8Decode, "d"}, {"UTF-8 decoding error: d", R"(Utf8Decode("d"))"}},
      {{K::Aead, "aead::Error"},
       {"AES-256-GCM cipher error: aead::Error", R"(Aead("aead::Error"))"}},
      {{K::KeyDerivation, "d"}, {"Key derivation error: d", R"(KeyDerivation("d"))"}},
      {{K::InvalidFormat, "t\"q"}, {"Invalid payload format: t\"q", R"(InvalidFormat("t\"q"))"}},
  };
  for (const auto& [error, expected] : cases) {
    EXPECT_EQ(error.message(), expected.first);
    EXPECT_EQ(error.debug(), expected.second);
    EXPECT_EQ(error.cause(), nullptr);
  }
}

TEST(DbError, EngineFailuresAreNamedByTheirPrimaryCode) {
  EXPECT_EQ(
      DbError::sqlite(2067, "UNIQUE constraint failed: notes.id").debug(),
      R"(SqliteFailure(Error { code: ConstraintViolation, extended_code: 2067 }, Some("UNIQUE constraint failed: notes.id")))");
  EXPECT_EQ(DbError::sqlite(1, "SQL logic error").debug(),
            R"(SqliteFailure(Error { code: Unknown, extended_code: 1 }, Some("SQL logic error")))");
  EXPECT_EQ(DbError::sqlite(26, std::nullopt).debug(),
            "SqliteFailure(Error { code: NotADatabase, extended_code: 26 }, None)");
  const std::pair<int, const char*> names[] = {{2, "InternalMalfunction"},
                                               {3, "PermissionDenied"},
                                               {4, "OperationAborted"},
                                               {5, "DatabaseBusy"},
                                               {6, "DatabaseLocked"},
                                               {7, "OutOfMemory"},
                                               {8, "ReadOnly"},
                                               {9, "OperationInterrupted"},
                                               {10, "SystemIoFailure"},
                                               {11, "DatabaseCorrupt"},
                                               {12, "NotFound"},
                                               {13, "DiskFull"},
                                               {14, "CannotOpen"},
                                               {15, "FileLockingProtocolFailed"},
                                               {16, "Unknown"},
                                               {17, "SchemaChanged"},
                                               {18, "TooBig"},
                                               {19, "ConstraintViolation"},
                                               {20, "TypeMismatch"},
                                               {21, "ApiMisuse"},
                                               {22, "NoLargeFileSupport"},
                                               {23, "AuthorizationForStatementDenied"},
                                               {24, "Unknown"},
                                               {25, "ParameterOutOfRange"},
                                               {26, "NotADatabase"},
                                               {27, "Unknown"},
                                               {0, "Unknown"}};
  for (const auto& [code, name] : names) EXPECT_STREQ(primary_code_name(code), name) << code;
  EXPECT_EQ(DbError::sqlite(2067, std::nullopt).primary_code(), 19);
}

TEST(DbError, EngineFailureWithoutMessageUsesTheCodeDescription) {
  EXPECT_EQ(DbError::sqlite(5, std::nullopt).message(), "Error code 5: database is locked");
  EXPECT_EQ(DbError::sqlite(2067, std::nullopt).message(), "Error code 2067: constraint failed");
}

TEST(DbError, ConditionsOfTheAccessLayer) {
  using namespace db_error;
  const std::pair<DbError, std::pair<const char*, const char*>> cases[] = {
      {InvalidColumnType{5, "sort_order", ValueType::Real},
       {"Invalid column type Real at index: 5, name: sort_order",
        R"(InvalidColumnType(5, "sort_order", Real))"}},
      {ConversionFailure{4, ValueType::Text, "Unknown note state: 'pinned'"},
       {"Conversion error from type Text at index: 4, Unknown note state: 'pinned'",
        R"(FromSqlConversionFailure(4, Text, "Unknown note state: 'pinned'"))"}},
      {QueryReturnedNoRows{}, {"Query returned no rows", "QueryReturnedNoRows"}},
      {NulError{3}, {"nul byte found in provided data at position: 3", "NulError(3)"}},
      {InvalidColumnType{0, "id", ValueType::Null},
       {"Invalid column type Null at index: 0, name: id", R"(InvalidColumnType(0, "id", Null))"}},
      {InvalidColumnType{1, "title", ValueType::Integer},
       {"Invalid column type Integer at index: 1, name: title",
        R"(InvalidColumnType(1, "title", Integer))"}},
      {ConversionFailure{2, ValueType::Blob, "invalid utf-8"},
       {"Conversion error from type Blob at index: 2, invalid utf-8",
        R"(FromSqlConversionFailure(2, Blob, "invalid utf-8"))"}},
      {IntegralValueOutOfRange{6, -4294967296},
       {"Integer -4294967296 out of range at index 6", "IntegralValueOutOfRange(6, -4294967296)"}},
      {ExecuteReturnedResults{},
       {"Execute returned results - did you mean to call query?", "ExecuteReturnedResults"}},
      {InvalidParameterCount{3, 2},
       {"Wrong number of parameters passed to query. Got 3, needed 2",
        "InvalidParameterCount(3, 2)"}},
      {InvalidColumnIndex{9}, {"Invalid column index: 9", "InvalidColumnIndex(9)"}},
      {MultipleStatements{}, {"Multiple statements provided", "MultipleStatements"}},
      {TooLarge{4294967296},
       {"Value of 4294967296 bytes is too large for the database engine", "TooLarge(4294967296)"}},
  };
  for (const auto& [error, expected] : cases) {
    EXPECT_EQ(error.message(), expected.first);
    EXPECT_EQ(error.debug(), expected.second);
    EXPECT_EQ(error.extended_code(), 0);
  }
}

TEST(DbError, InvalidPathShowsBytesThatAreNotUtf8AsReplacementCharacters) {
  const DbError error = db_error::InvalidPath{"bad\xff"};
  EXPECT_EQ(error.message(), "Invalid path: bad\uFFFD");
  EXPECT_EQ(error.extended_code(), 0);
  // The form of an unpaired UTF-16 surrogate, as Windows paths keep one: one
  // character there; elsewhere three bytes that are not UTF-8.
  const DbError surrogate = db_error::InvalidPath{"x\xED\xA0\x80"};
#ifdef _WIN32
  EXPECT_EQ(surrogate.message(), "Invalid path: x\uFFFD");
#else
  EXPECT_EQ(surrogate.message(), "Invalid path: x\uFFFD\uFFFD\uFFFD");
#endif
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(error.debug(), "InvalidPath(\"bad\uFFFD\")");
}

}  // namespace
}  // namespace norvane

#include <gtest/gtest.h>

#include <string>

#include "db/open_settings.h"
#include "norvane/db/connection.h"
#include "norvane/db/open.h"

namespace norvane {
namespace {

class StatementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto conn = Connection::open(":memory:", kOpenFlags);
    ASSERT_TRUE(conn.has_value());
    conn_ = std::move(*conn);
    conn_.set_extended_result_codes(true);
    ASSERT_TRUE(
        conn_.execute_batch("CREATE TABLE t (a, b); "
                            "INSERT INTO t VALUES ('text', x'00ff'), (NULL, x''),"
                            " (1.5, 7), (CAST(x'61ff' AS TEXT), 'b');"));
  }
  Connection conn_;
};

TEST_F(StatementTest, TypedReadersCheckTheStorageClassAndNameTheColumn) {
  auto stmt = conn_.prepare("SELECT a, b FROM t");
  ASSERT_TRUE(stmt.has_value());
  ASSERT_TRUE(stmt->step().value());
  EXPECT_EQ(stmt->column_text(0).value(), "text");
  EXPECT_EQ(stmt->column_optional_blob(1).value()->size(), 2U);
  EXPECT_EQ(stmt->column_int64(0).error().message(),
            "Invalid column type Text at index: 0, name: a");

  ASSERT_TRUE(stmt->step().value());
  EXPECT_EQ(stmt->column_optional_text(0).value(), std::nullopt);
  auto empty = stmt->column_optional_blob(1).value();
  ASSERT_TRUE(empty.has_value());  // a zero-length BLOB is not NULL
  EXPECT_TRUE(empty->empty());
  EXPECT_EQ(stmt->column_text(0).error().debug(), R"(InvalidColumnType(0, "a", Null))");

  ASSERT_TRUE(stmt->step().value());
  EXPECT_EQ(stmt->column_optional_text(0).error().message(),
            "Invalid column type Real at index: 0, name: a");
  EXPECT_EQ(stmt->column_optional_blob(1).error().message(),
            "Invalid column type Integer at index: 1, name: b");

  ASSERT_TRUE(stmt->step().value());
  EXPECT_EQ(stmt->column_text(0).error().message(),
            "Conversion error from type Text at index: 0, invalid utf-8 sequence of 1 bytes "
            "from index 1");
  EXPECT_EQ(stmt->column_text(7).error().debug(), "InvalidColumnIndex(7)");
  EXPECT_FALSE(stmt->step().value());
}

TEST_F(StatementTest, EveryReaderRefusesAnIndexOutsideTheRow) {
  auto stmt = conn_.prepare("SELECT a, b FROM t");
  ASSERT_TRUE(stmt.has_value());
  ASSERT_TRUE(stmt->step().value());
  for (const int index : {-1, 2}) {
    SCOPED_TRACE(index);
    const std::string expected = "InvalidColumnIndex(" + std::to_string(index) + ")";
    EXPECT_EQ(stmt->column_int64(index).error().debug(), expected);
    EXPECT_EQ(stmt->column_text(index).error().debug(), expected);
    EXPECT_EQ(stmt->column_optional_text(index).error().debug(), expected);
    EXPECT_EQ(stmt->column_optional_blob(index).error().debug(), expected);
  }
}

TEST_F(StatementTest, EngineFailuresCarryExtendedCodesAndMessages) {
  ASSERT_TRUE(conn_.execute("CREATE TABLE u (id TEXT PRIMARY KEY)"));
  ASSERT_TRUE(conn_.execute("INSERT INTO u VALUES ('x')"));
  auto dup = conn_.execute("INSERT INTO u VALUES ('x')");
  ASSERT_FALSE(dup.has_value());
  EXPECT_EQ(
      dup.error().debug(),
      R"(SqliteFailure(Error { code: ConstraintViolation, extended_code: 1555 }, Some("UNIQUE constraint failed: u.id")))");

  auto bad = conn_.prepare("SELEC 1");
  ASSERT_FALSE(bad.has_value());
  EXPECT_EQ(
      bad.error().debug(),
      R"(SqliteFailure(Error { code: Unknown, extended_code: 1 }, Some("near \"SELEC\": syntax error")))");
  EXPECT_EQ(conn_.prepare("SELECT 1; SELECT 2").error().debug(), "MultipleStatements");

  auto insert = conn_.prepare("INSERT INTO t VALUES (?1, ?2)");
  ASSERT_TRUE(insert.has_value());
  EXPECT_EQ(
      insert->bind_int64(3, 1).error().debug(),
      R"(SqliteFailure(Error { code: ParameterOutOfRange, extended_code: 25 }, Some("column index out of range")))");
}

// The engine would stop reading at the NUL; a batch would then never get past
// it. Nothing of such text runs.
TEST_F(StatementTest, SqlHoldingANulIsRefusedWhole) {
  using namespace std::string_view_literals;
  EXPECT_EQ(conn_.prepare("SELECT 1\0; DROP TABLE t"sv).error().debug(), "NulError(8)");
  EXPECT_EQ(conn_.execute_batch("DELETE FROM t;\0DROP TABLE t"sv).error().debug(), "NulError(14)");
  auto rows = conn_.prepare("SELECT count(*) FROM t");
  ASSERT_TRUE(rows.has_value() && rows->step().value_or(false));
  EXPECT_EQ(rows->column_int64(0).value(), 4);
}

// A statement assigned over is finalized at once: the read it had stopped in
// the middle no longer holds its table. One moved from holds nothing, and
// using it is the engine's misuse error.
TEST_F(StatementTest, AssigningOverAStatementFinalizesIt) {
  auto reading = conn_.prepare("SELECT a FROM t");
  ASSERT_TRUE(reading.has_value() && reading->step().value_or(false));
  auto other = conn_.prepare("SELECT 1");
  ASSERT_TRUE(other.has_value());
  Statement held = std::move(*reading);
  held = std::move(*other);
  EXPECT_TRUE(conn_.execute("DROP TABLE t").has_value());
  EXPECT_FALSE(other->valid());
  EXPECT_EQ(
      other->step().error().debug(),
      R"(SqliteFailure(Error { code: ApiMisuse, extended_code: 21 }, Some("bad parameter or other API misuse")))");
  EXPECT_TRUE(held.step().value());
}

TEST_F(StatementTest, EmptyBlobsBindAsZeroLengthBlobsNotNull) {
  auto insert = conn_.prepare("INSERT INTO t VALUES ('empty', ?1)");
  ASSERT_TRUE(insert.has_value());
  ASSERT_TRUE(insert->bind_blob(1, std::span<const char>()).has_value());
  ASSERT_TRUE(insert->run().has_value());
  auto check = conn_.prepare("SELECT typeof(b), length(b) FROM t WHERE a = 'empty'");
  ASSERT_TRUE(check->step().value());
  EXPECT_EQ(check->column_text(0).value(), "blob");
  EXPECT_EQ(check->column_int64(1).value(), 0);
}

TEST_F(StatementTest, TransactionStateFollowsBeginAndRollback) {
  EXPECT_TRUE(conn_.is_autocommit());
  ASSERT_TRUE(conn_.execute("BEGIN DEFERRED"));
  EXPECT_FALSE(conn_.is_autocommit());
  ASSERT_TRUE(conn_.execute("ROLLBACK"));
  EXPECT_TRUE(conn_.is_autocommit());
}

}  // namespace
}  // namespace norvane

#include "norvane/error/db_error.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include "common/overloaded.h"
#include "error/debug_text.h"
#include "platform/path.h"

namespace norvane {

const char* value_type_name(ValueType type) noexcept {
  switch (type) {
    case ValueType::Null:
      break;
    case ValueType::Integer:
      return "Integer";
    case ValueType::Real:
      return "Real";
    case ValueType::Text:
      return "Text";
    case ValueType::Blob:
      return "Blob";
  }
  // Null, and a value outside the enumeration.
  return "Null";
}

const char* primary_code_name(int primary_code) noexcept {
  switch (primary_code) {
    case 2:
      return "InternalMalfunction";
    case 3:
      return "PermissionDenied";
    case 4:
      return "OperationAborted";
    case 5:
      return "DatabaseBusy";
    case 6:
      return "DatabaseLocked";
    case 7:
      return "OutOfMemory";
    case 8:
      return "ReadOnly";
    case 9:
      return "OperationInterrupted";
    case 10:
      return "SystemIoFailure";
    case 11:
      return "DatabaseCorrupt";
    case 12:
      return "NotFound";
    case 13:
      return "DiskFull";
    case 14:
      return "CannotOpen";
    case 15:
      return "FileLockingProtocolFailed";
    case 17:
      return "SchemaChanged";
    case 18:
      return "TooBig";
    case 19:
      return "ConstraintViolation";
    case 20:
      return "TypeMismatch";
    case 21:
      return "ApiMisuse";
    case 22:
      return "NoLargeFileSupport";
    case 23:
      return "AuthorizationForStatementDenied";
    case 25:
      return "ParameterOutOfRange";
    case 26:
      return "NotADatabase";
    default:
      return "Unknown";
  }
}

int DbError::extended_code() const noexcept {
  const auto* failure = std::get_if<db_error::SqliteFailure>(&value_);
  return failure != nullptr ? failure->extended_code : 0;
}

std::string DbError::message() const {
  using namespace db_error;
  return std::visit(
      Overloaded{
          [](const SqliteFailure& e) -> std::string {
            if (e.message) return *e.message;
            return fmt::format("Error code {}: {}", e.extended_code,
                               ::sqlite3_errstr(e.extended_code));
          },
          [](const InvalidColumnType& e) -> std::string {
            return fmt::format("Invalid column type {} at index: {}, name: {}",
                               value_type_name(e.found), e.index, e.name);
          },
          [](const ConversionFailure& e) -> std::string {
            return fmt::format("Conversion error from type {} at index: {}, {}",
                               value_type_name(e.from), e.index, e.detail);
          },
          [](const IntegralValueOutOfRange& e) -> std::string {
            return fmt::format("Integer {} out of range at index {}", e.value, e.index);
          },
          [](const QueryReturnedNoRows&) -> std::string { return "Query returned no rows"; },
          [](const ExecuteReturnedResults&) -> std::string {
            return "Execute returned results - did you mean to call query?";
          },
          [](const InvalidParameterCount& e) -> std::string {
            return fmt::format("Wrong number of parameters passed to query. Got {}, needed {}",
                               e.given, e.expected);
          },
          [](const InvalidColumnIndex& e) -> std::string {
            return fmt::format("Invalid column index: {}", e.index);
          },
          [](const MultipleStatements&) -> std::string { return "Multiple statements provided"; },
          [](const InvalidPath& e) -> std::string {
            return fmt::format("Invalid path: {}", platform::path_as_text(e.path));
          },
          [](const NulError& e) -> std::string {
            return fmt::format("nul byte found in provided data at position: {}", e.position);
          },
          [](const TooLarge& e) -> std::string {
            return fmt::format("Value of {} bytes is too large for the database engine", e.size);
          },
      },
      value_);
}

std::string DbError::debug() const {
  using namespace db_error;
  return std::visit(
      Overloaded{
          [](const SqliteFailure& e) -> std::string {
            return fmt::format("SqliteFailure(Error {{ code: {}, extended_code: {} }}, {})",
                               primary_code_name(e.extended_code & 0xff), e.extended_code,
                               e.message ? "Some(" + debug_quoted(*e.message) + ")" : "None");
          },
          [](const InvalidColumnType& e) -> std::string {
            return fmt::format("InvalidColumnType({}, {}, {})", e.index, debug_quoted(e.name),
                               value_type_name(e.found));
          },
          [](const ConversionFailure& e) -> std::string {
            return fmt::format("FromSqlConversionFailure({}, {}, {})", e.index,
                               value_type_name(e.from), debug_quoted(e.detail));
          },
          [](const IntegralValueOutOfRange& e) -> std::string {
            return fmt::format("IntegralValueOutOfRange({}, {})", e.index, e.value);
          },
          [](const QueryReturnedNoRows&) -> std::string { return "QueryReturnedNoRows"; },
          [](const ExecuteReturnedResults&) -> std::string { return "ExecuteReturnedResults"; },
          [](const InvalidParameterCount& e) -> std::string {
            return fmt::format("InvalidParameterCount({}, {})", e.given, e.expected);
          },
          [](const InvalidColumnIndex& e) -> std::string {
            return fmt::format("InvalidColumnIndex({})", e.index);
          },
          [](const MultipleStatements&) -> std::string { return "MultipleStatements"; },
          [](const InvalidPath& e) -> std::string {
            return fmt::format("InvalidPath({})", debug_quoted(platform::path_as_text(e.path)));
          },
          [](const NulError& e) -> std::string { return fmt::format("NulError({})", e.position); },
          [](const TooLarge& e) -> std::string { return fmt::format("TooLarge({})", e.size); },
      },
      value_);
}

}  // namespace norvane

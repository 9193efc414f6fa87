#include "c/c_error.h"

#include <type_traits>
#include <variant>

#include "error/debug_text.h"

namespace norvane::c_api {

namespace {

// The codes follow the order of the variants; these checks keep a variant
// added or moved in the middle from renumbering the codes of the others.
static_assert(std::variant_size_v<AppError::Variant> == 17);
static_assert(
    std::is_same_v<std::variant_alternative_t<NORVANE_ERROR_BACKGROUND - 1, AppError::Variant>,
                   app_error::Background>);
static_assert(std::is_same_v<std::variant_alternative_t<NORVANE_ERROR_IO - 1, AppError::Variant>,
                             app_error::Io>);
static_assert(std::variant_size_v<DbError::Variant> == 12);
static_assert(
    std::is_same_v<std::variant_alternative_t<
                       NORVANE_ERROR_TOO_LARGE - NORVANE_ERROR_SQLITE_FAILURE, DbError::Variant>,
                   db_error::TooLarge>);
static_assert(static_cast<int>(CryptoError::Kind::InvalidFormat) ==
              NORVANE_ERROR_INVALID_FORMAT - NORVANE_ERROR_PROTECT_FAILED);

ErrorPtr make(std::int32_t code, const Error& e) {
  ErrorPtr out(new norvane_error);
  out->code = code;
  out->message = e.message();
  out->debug = e.debug();
  return out;
}

ErrorPtr to_c_error(const IoError& e) {
  return make(NORVANE_ERROR_OS, e);
}
ErrorPtr to_c_error(const JsonError& e) {
  return make(NORVANE_ERROR_JSON, e);
}

ErrorPtr make_own(std::int32_t code, std::string message, std::string debug) {
  ErrorPtr out(new norvane_error);
  out->code = code;
  out->message = std::move(message);
  out->debug = std::move(debug);
  return out;
}

// Short texts, so that building it takes no memory.
norvane_error kOutOfMemory{
    NORVANE_ERROR_OUT_OF_MEMORY, 0, "Out of memory", "OutOfMemory", {}, true};

}  // namespace

ErrorPtr to_c_error(const DbError& e) {
  auto out = make(NORVANE_ERROR_SQLITE_FAILURE + static_cast<std::int32_t>(e.value().index()), e);
  out->sqlite_code = e.extended_code();
  return out;
}

ErrorPtr to_c_error(const CryptoError& e) {
  return make(NORVANE_ERROR_PROTECT_FAILED + static_cast<std::int32_t>(e.kind()), e);
}

ErrorPtr to_c_error(const AppError& e) {
  auto out = make(NORVANE_ERROR_DATABASE + static_cast<std::int32_t>(e.value().index()), e);
  std::visit(
      [&out](const auto& v) {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, app_error::Database> ||
                      std::is_same_v<V, app_error::Crypto> ||
                      std::is_same_v<V, app_error::Serialization> ||
                      std::is_same_v<V, app_error::Io>) {
          out->cause = to_c_error(v.error);
        }
      },
      e.value());
  return out;
}

ErrorPtr invalid_argument(std::string_view what) {
  std::string message = "Invalid argument: ";
  message.append(what);
  return make_own(NORVANE_ERROR_INVALID_ARGUMENT, std::move(message),
                  "InvalidArgument(" + debug_quoted(what) + ")");
}

ErrorPtr check_bytes(const void* data, std::size_t len, std::string_view name) {
  if (data != nullptr || len == 0) return nullptr;
  std::string what(name);
  what.append(" is NULL but its length is not 0");
  return invalid_argument(what);
}

ErrorPtr internal_error(std::string_view what) {
  std::string message = "Internal error: ";
  message.append(what);
  return make_own(NORVANE_ERROR_INTERNAL, std::move(message),
                  "Internal(" + debug_quoted(what) + ")");
}

norvane_error* out_of_memory() noexcept {
  return &kOutOfMemory;
}

std::int32_t fail(norvane_error** err, norvane_error* e) noexcept {
  const std::int32_t code = e->code;
  if (err != nullptr) {
    *err = e;
  } else {
    norvane_error_free(e);
  }
  return code;
}

}  // namespace norvane::c_api

using norvane::c_api::ErrorPtr;

extern "C" {

int32_t norvane_error_code(const norvane_error* err) {
  return err != nullptr ? err->code : 0;
}

const char* norvane_error_message(const norvane_error* err, size_t* len) {
  if (err == nullptr) {
    if (len != nullptr) *len = 0;
    return "";
  }
  if (len != nullptr) *len = err->message.size();
  return err->message.c_str();
}

const char* norvane_error_debug(const norvane_error* err, size_t* len) {
  if (err == nullptr) {
    if (len != nullptr) *len = 0;
    return "";
  }
  if (len != nullptr) *len = err->debug.size();
  return err->debug.c_str();
}

const norvane_error* norvane_error_cause(const norvane_error* err) {
  return err != nullptr ? err->cause.get() : nullptr;
}

int32_t norvane_error_sqlite_code(const norvane_error* err) {
  return err != nullptr ? err->sqlite_code : 0;
}

void norvane_error_free(norvane_error* err) {
  if (err == nullptr || err->is_static) return;
  delete err;
}

}  // extern "C"

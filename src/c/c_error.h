// The error objects of the C interface, and the guard that every exported
// call runs its body in.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "norvane/error/app_error.h"
#include "norvane/norvane.h"

namespace norvane::c_api {

// Frees with norvane_error_free(), which leaves the static error alone.
struct ErrorDeleter {
  void operator()(norvane_error* e) const noexcept { norvane_error_free(e); }
};
using ErrorPtr = std::unique_ptr<norvane_error, ErrorDeleter>;

}  // namespace norvane::c_api

struct norvane_error {
  std::int32_t code = 0;
  std::int32_t sqlite_code = 0;
  std::string message;
  std::string debug;
  norvane::c_api::ErrorPtr cause;
  // The one error that needs no memory: running out of it.
  bool is_static = false;
};

namespace norvane::c_api {

// The C error of each C++ error, with the same message, debug form and cause.
[[nodiscard]] ErrorPtr to_c_error(const AppError& e);
[[nodiscard]] ErrorPtr to_c_error(const CryptoError& e);
[[nodiscard]] ErrorPtr to_c_error(const DbError& e);

// NORVANE_ERROR_INVALID_ARGUMENT: "Invalid argument: <what>".
[[nodiscard]] ErrorPtr invalid_argument(std::string_view what);

// NORVANE_ERROR_INVALID_ARGUMENT unless a pointer to `len` bytes may be used:
// NULL is allowed only for 0 bytes.
[[nodiscard]] ErrorPtr check_bytes(const void* data, std::size_t len, std::string_view name);

[[nodiscard]] norvane_error* out_of_memory() noexcept;
[[nodiscard]] ErrorPtr internal_error(std::string_view what);

// Hands `e` to the caller (or frees it when the caller asked for none) and
// returns its code.
[[nodiscard]] std::int32_t fail(norvane_error** err, norvane_error* e) noexcept;

// Runs `body`, which returns nullptr on success or the error, so that no
// exception leaves the call: running out of memory becomes its error.
template <typename Body>
[[nodiscard]] std::int32_t guarded(norvane_error** err, Body&& body) noexcept {
  if (err != nullptr) *err = nullptr;
  try {
    ErrorPtr e = body();
    if (!e) return NORVANE_OK;
    return fail(err, e.release());
  } catch (const std::bad_alloc&) {
    return fail(err, out_of_memory());
  } catch (const std::exception& ex) {
    try {
      return fail(err, internal_error(ex.what()).release());
    } catch (...) {
      return fail(err, out_of_memory());
    }
  } catch (...) {
    try {
      return fail(err, internal_error("unknown exception").release());
    } catch (...) {
      return fail(err, out_of_memory());
    }
  }
}

}  // namespace norvane::c_api

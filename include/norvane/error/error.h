// The common face of every error value in the library.
#pragma once

#include <string>

namespace norvane {

// An error has a one-line message for the user, a one-line structured debug
// form, and optionally a lower-level error that caused it.
class Error {
 public:
  Error() = default;
  Error(const Error&) = default;
  Error(Error&&) noexcept = default;
  Error& operator=(const Error&) = default;
  Error& operator=(Error&&) noexcept = default;
  virtual ~Error() = default;

  [[nodiscard]] virtual std::string message() const = 0;
  [[nodiscard]] virtual std::string debug() const = 0;
  // The wrapped lower-level error, or nullptr. Valid while *this lives.
  [[nodiscard]] virtual const Error* cause() const noexcept { return nullptr; }
};

}  // namespace norvane

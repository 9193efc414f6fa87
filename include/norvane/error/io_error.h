// An operating-system or I/O failure.
#pragma once

#include <string>

#include "norvane/error/error.h"

namespace norvane {

class IoError final : public Error {
 public:
  // A failure of the operating system: its error code (errno on POSIX, the
  // Win32 code on Windows), a kind name such as "NotFound", and the system's
  // message for the code.
  [[nodiscard]] static IoError os(int code, std::string kind, std::string system_message);
  // A failure of our own, with a kind name and a text.
  [[nodiscard]] static IoError custom(std::string kind, std::string text);

  [[nodiscard]] bool is_os() const noexcept { return is_os_; }
  [[nodiscard]] int code() const noexcept { return code_; }
  [[nodiscard]] const std::string& kind() const noexcept { return kind_; }
  [[nodiscard]] const std::string& text() const noexcept { return text_; }

  [[nodiscard]] std::string message() const override;
  [[nodiscard]] std::string debug() const override;

 private:
  IoError(bool is_os, int code, std::string kind, std::string text)
      : is_os_(is_os), code_(code), kind_(std::move(kind)), text_(std::move(text)) {}

  bool is_os_;
  int code_;
  std::string kind_;
  std::string text_;
};

}  // namespace norvane

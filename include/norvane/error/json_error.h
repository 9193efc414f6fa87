// A failed JSON encoding or decoding.
#pragma once

#include <cstdint>
#include <string>

#include "norvane/error/error.h"

namespace norvane {

class JsonError final : public Error {
 public:
  // `line` 0 means that no position applies.
  JsonError(std::string text, std::uint64_t line, std::uint64_t column)
      : text_(std::move(text)), line_(line), column_(column) {}

  [[nodiscard]] const std::string& text() const noexcept { return text_; }
  [[nodiscard]] std::uint64_t line() const noexcept { return line_; }
  [[nodiscard]] std::uint64_t column() const noexcept { return column_; }

  [[nodiscard]] std::string message() const override;
  [[nodiscard]] std::string debug() const override;

 private:
  std::string text_;
  std::uint64_t line_;
  std::uint64_t column_;
};

}  // namespace norvane

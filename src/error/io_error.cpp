#include "norvane/error/io_error.h"

#include <fmt/format.h>

#include "error/debug_text.h"

namespace norvane {

IoError IoError::os(int code, std::string kind, std::string system_message) {
  return IoError(true, code, std::move(kind), std::move(system_message));
}

IoError IoError::custom(std::string kind, std::string text) {
  return IoError(false, 0, std::move(kind), std::move(text));
}

std::string IoError::message() const {
  if (is_os_) return fmt::format("{} (os error {})", text_, code_);
  return text_;
}

std::string IoError::debug() const {
  if (is_os_) {
    return fmt::format("Os {{ code: {}, kind: {}, message: {} }}", code_, kind_,
                       debug_quoted(text_));
  }
  return fmt::format("Custom {{ kind: {}, error: {} }}", kind_, debug_quoted(text_));
}

}  // namespace norvane

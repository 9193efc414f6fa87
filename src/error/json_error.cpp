#include "norvane/error/json_error.h"

#include <fmt/format.h>

#include "error/debug_text.h"

namespace norvane {

std::string JsonError::message() const {
  if (line_ == 0) return text_;
  return fmt::format("{} at line {} column {}", text_, line_, column_);
}

std::string JsonError::debug() const {
  return fmt::format("Error({}, line: {}, column: {})", debug_quoted(text_), line_, column_);
}

}  // namespace norvane

// Where the command's text goes: standard output or standard error, or a
// stand-in in the tests.
#pragma once

#include <expected>
#include <string_view>

#include "norvane/env.h"
#include "norvane/error/io_error.h"

namespace norvane::seeder {

// Writes all of a text, or fails.
using ReportSink = std::expected<void, IoError> (*)(std::string_view text);

[[nodiscard]] inline std::expected<void, IoError> to_stdout(std::string_view text) {
  return env::write_std(env::StdStream::Output, text);
}

[[nodiscard]] inline std::expected<void, IoError> to_stderr(std::string_view text) {
  return env::write_std(env::StdStream::Error, text);
}

}  // namespace norvane::seeder

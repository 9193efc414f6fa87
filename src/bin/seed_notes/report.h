// The command's report: formatted with {fmt} into a buffer, then written
// through a checked writer, so that a report that cannot be written fails
// the run instead of being lost.
#pragma once

#include <fmt/format.h>

#include <expected>
#include <iterator>
#include <string_view>
#include <utility>

#include "norvane/error/io_error.h"
#include "report_sink.h"

namespace norvane::seeder {

class Report {
 public:
  explicit Report(ReportSink sink = to_stdout) noexcept : sink_(sink) {}

  [[nodiscard]] std::expected<void, IoError> write(std::string_view text) const {
    return sink_(text);
  }

  template <typename... T>
  [[nodiscard]] std::expected<void, IoError> print(fmt::format_string<T...> format,
                                                   T&&... args) const {
    fmt::memory_buffer buffer;
    fmt::format_to(std::back_inserter(buffer), format, std::forward<T>(args)...);
    return sink_(std::string_view(buffer.data(), buffer.size()));
  }

 private:
  ReportSink sink_;
};

}  // namespace norvane::seeder
